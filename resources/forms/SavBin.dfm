object FrmSavBin: TFrmSavBin
  Left = 0
  Top = 0
  Width = 330
  Height = 200
  BorderStyle = bsToolWindow
  Caption = 'Load Keyboard short cut'
  Color = clBlack
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  object Label1: TLabel
    Left = 8
    Top = 6
    Width = 200
    Height = 16
    Caption = 'Sonavex Value Data'
    Font.Color = clWhite
    Font.Style = [fsBold]
  end
  object Label2: TLabel
    Left = 8
    Top = 35
    Width = 56
    Height = 14
    Caption = 'Ctrl-F9'
    Font.Color = clWhite
  end
  object MMLEDLABEL11: TMMLEDLABEL
    Left = 66
    Top = 32
    Width = 186
    Height = 20
    Caption = 'DEFAULT'
    NumChars = 21
  end
  object SpeedButton7: TSpeedButton
    Left = 260
    Top = 32
    Width = 56
    Height = 20
    Caption = 'Load'
    OnClick = SpeedButton7Click
  end
  object Label3: TLabel
    Left = 8
    Top = 67
    Width = 56
    Height = 14
    Caption = 'Ctrl-F10'
    Font.Color = clWhite
  end
  object MMLEDLABEL21: TMMLEDLABEL
    Left = 66
    Top = 64
    Width = 186
    Height = 20
    Caption = 'DEFAULT'
    NumChars = 21
  end
  object SpeedButton9: TSpeedButton
    Left = 260
    Top = 64
    Width = 56
    Height = 20
    Caption = 'Load'
    OnClick = SpeedButton9Click
  end
  object Label4: TLabel
    Left = 8
    Top = 99
    Width = 56
    Height = 14
    Caption = 'Ctrl-F11'
    Font.Color = clWhite
  end
  object MMLEDLABEL31: TMMLEDLABEL
    Left = 66
    Top = 96
    Width = 186
    Height = 20
    Caption = 'DEFAULT'
    NumChars = 21
  end
  object SpeedButton11: TSpeedButton
    Left = 260
    Top = 96
    Width = 56
    Height = 20
    Caption = 'Load'
    OnClick = SpeedButton11Click
  end
  object Label5: TLabel
    Left = 8
    Top = 131
    Width = 56
    Height = 14
    Caption = 'Ctrl-F12'
    Font.Color = clWhite
  end
  object MMLEDLABEL41: TMMLEDLABEL
    Left = 66
    Top = 128
    Width = 186
    Height = 20
    Caption = 'DEFAULT'
    NumChars = 21
  end
  object SpeedButton13: TSpeedButton
    Left = 260
    Top = 128
    Width = 56
    Height = 20
    Caption = 'Load'
    OnClick = SpeedButton13Click
  end
end
