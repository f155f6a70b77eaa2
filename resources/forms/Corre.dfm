object fCorre: TfCorre
  Left = 240
  Top = 160
  BorderStyle = bsDialog
  Caption = 'Correlation Meter Settings'
  ClientHeight = 176
  ClientWidth = 300
  Color = clBtnFace
  Position = poScreenCenter
  OnShow = FormShow
  object GroupColors: TGroupBox
    Left = 8
    Top = 8
    Width = 140
    Height = 128
    Caption = ' Colors '
    object Lab_MMColorButton4: TLabel
      Left = 8
      Top = 24
      Width = 56
      Height = 13
      Caption = 'Bar > 0'
    end
    object MMColorButton4: TMMColorButton
      Left = 72
      Top = 20
      Value = clLime
      OnChange = MMColorButton4Change
    end
    object Lab_MMColorButton5: TLabel
      Left = 8
      Top = 50
      Width = 56
      Height = 13
      Caption = 'Bar 0'
    end
    object MMColorButton5: TMMColorButton
      Left = 72
      Top = 46
      Value = 8454143
      OnChange = MMColorButton5Change
    end
    object Lab_MMColorButton6: TLabel
      Left = 8
      Top = 76
      Width = 56
      Height = 13
      Caption = 'Bar < 0'
    end
    object MMColorButton6: TMMColorButton
      Left = 72
      Top = 72
      Value = clRed
      OnChange = MMColorButton6Change
    end
    object Lab_color_1: TLabel
      Left = 8
      Top = 102
      Width = 56
      Height = 13
      Caption = 'Line'
    end
    object color_1: TMMColorButton
      Left = 72
      Top = 98
      Value = clWhite
      OnChange = color_1Change
    end
  end
  object rg_correlation: TRadioGroup
    Left = 156
    Top = 8
    Width = 136
    Height = 92
    Caption = 'Correlation Speed'
    Items.Strings = (
      ' FAST'
      ' MIDDEL'
      ' SLOW')
    ItemIndex = 2
    OnClick = rg_correlationClick
  end
  object btn_okay: TButton
    Left = 156
    Top = 142
    Width = 136
    Height = 25
    Caption = 'Okay'
    OnClick = btn_okayClick
  end
end
