object fOutfitL: TfOutfitL
  Left = 220
  Top = 140
  BorderStyle = bsToolWindow
  Caption = 'Levels settings'
  ClientHeight = 384
  ClientWidth = 520
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  OnShow = FormShow
  object rg_Meter: TRadioGroup
    Left = 8
    Top = 8
    Width = 160
    Height = 196
    Caption = ' Meter ballistics '
    ItemIndex = 1
    Items.Strings = (
      'Nordic N9'
      'DIN 45406'
      'BBC Scale'
      'EBU Scale'
      'dBFull Scale'
      'K-System K-20'
      'K-System K-14'
      'K-System K-12')
    OnClick = rg_MeterClick
  end
  object rg_integral: TRadioGroup
    Left = 176
    Top = 8
    Width = 160
    Height = 156
    Caption = ' Integration time '
    ItemIndex = 0
    Items.Strings = (
      'none'
      '5 ms '
      '10 ms'
      '15 ms'
      '20 ms'
      '300 ms')
    OnClick = rg_integralClick
  end
  object rg_referenz: TRadioGroup
    Left = 344
    Top = 8
    Width = 168
    Height = 90
    Caption = ' Referenz Level '
    ItemIndex = 0
    Items.Strings = (
      '0 dBFS'
      '- 18 dBFS'
      '- 20 dBFS')
    OnClick = rg_referenzClick
  end
  object GroupMeter: TGroupBox
    Left = 8
    Top = 212
    Width = 248
    Height = 164
    Caption = 'Level Meter'
    object Lab_ol_top: TLabel
      Left = 8
      Top = 26
      Width = 96
      Height = 13
      Caption = 'OL Level Top'
    end
    object ol_top: TMMLEDSpin
      Left = 108
      Top = 20
      Width = 60
      Height = 24
      MinValue = 1
      MaxValue = 100
      Value = 86
      NumDigits = 3
      OnChange = ol_topChange
    end
    object Lab_ol_button: TLabel
      Left = 8
      Top = 54
      Width = 96
      Height = 13
      Caption = 'OL Level Button'
    end
    object ol_button: TMMLEDSpin
      Left = 108
      Top = 48
      Width = 60
      Height = 24
      MinValue = 1
      MaxValue = 100
      Value = 85
      NumDigits = 3
      OnChange = ol_buttonChange
    end
    object Lab_sp_peaks: TLabel
      Left = 8
      Top = 82
      Width = 96
      Height = 13
      Caption = 'Peaks'
    end
    object sp_peaks: TMMLEDSpin
      Left = 108
      Top = 76
      Width = 60
      Height = 24
      MinValue = 0
      MaxValue = 5
      Value = 1
      NumDigits = 1
      OnChange = sp_peaksChange
    end
    object Lab_MMLEDSpin5: TLabel
      Left = 8
      Top = 110
      Width = 96
      Height = 13
      Caption = 'Spot Space'
    end
    object MMLEDSpin5: TMMLEDSpin
      Left = 108
      Top = 104
      Width = 60
      Height = 24
      MinValue = 0
      MaxValue = 2
      Value = 0
      NumDigits = 1
      OnChange = MMLEDSpin5Change
    end
    object Lab_MMLEDSpin4: TLabel
      Left = 8
      Top = 138
      Width = 96
      Height = 13
      Caption = 'Decay'
    end
    object MMLEDSpin4: TMMLEDSpin
      Left = 108
      Top = 132
      Width = 60
      Height = 24
      MinValue = 5
      MaxValue = 16
      Value = 9
      NumDigits = 2
      OnChange = MMLEDSpin4Change
    end
  end
  object GroupColors: TGroupBox
    Left = 264
    Top = 106
    Width = 248
    Height = 236
    Caption = 'Colors'
    object Lab_LevelColors: TLabel
      Left = 8
      Top = 18
      Width = 100
      Height = 13
      Caption = 'Level Meter'
    end
    object Lab_MMColorButton1: TLabel
      Left = 8
      Top = 40
      Width = 60
      Height = 13
      Caption = 'Top'
    end
    object MMColorButton1: TMMColorButton
      Left = 72
      Top = 36
      Width = 60
      Height = 22
      Value = clRed
      OnChange = MMColorButton1Change
    end
    object Lab_MMColorButton2: TLabel
      Left = 8
      Top = 66
      Width = 60
      Height = 13
      Caption = 'Middle'
    end
    object MMColorButton2: TMMColorButton
      Left = 72
      Top = 62
      Width = 60
      Height = 22
      Value = clYellow
      OnChange = MMColorButton2Change
    end
    object Lab_MMColorButton3: TLabel
      Left = 8
      Top = 92
      Width = 60
      Height = 13
      Caption = 'Bottom'
    end
    object MMColorButton3: TMMColorButton
      Left = 72
      Top = 88
      Width = 60
      Height = 22
      Value = clYellow
      OnChange = MMColorButton3Change
    end
    object Lab_RmsColors: TLabel
      Left = 8
      Top = 120
      Width = 100
      Height = 13
      Caption = 'RMS Meter'
    end
    object Lab_MMColorButton12: TLabel
      Left = 8
      Top = 142
      Width = 60
      Height = 13
      Caption = 'Top'
    end
    object MMColorButton12: TMMColorButton
      Left = 72
      Top = 138
      Width = 60
      Height = 22
      Value = clWhite
      OnChange = MMColorButton12Change
    end
    object Lab_MMColorButton13: TLabel
      Left = 8
      Top = 168
      Width = 60
      Height = 13
      Caption = 'Middle'
    end
    object MMColorButton13: TMMColorButton
      Left = 72
      Top = 164
      Width = 60
      Height = 22
      Value = clWhite
      OnChange = MMColorButton13Change
    end
    object Lab_MMColorButton14: TLabel
      Left = 8
      Top = 194
      Width = 60
      Height = 13
      Caption = 'Bottom'
    end
    object MMColorButton14: TMMColorButton
      Left = 72
      Top = 190
      Width = 60
      Height = 22
      Value = clWhite
      OnChange = MMColorButton14Change
    end
  end
  object Button1: TButton
    Left = 344
    Top = 350
    Width = 168
    Height = 25
    Caption = 'Save && Close'
    OnClick = Button1Click
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 1000
    OnTimer = Timer1Timer
  end
end
