object fOutfitSpec: TfOutfitSpec
  Left = 200
  Top = 120
  BorderStyle = bsToolWindow
  Caption = 'Outfit preference'
  ClientHeight = 356
  ClientWidth = 528
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  OnClose = FormClose
  OnShow = FormShow
  object GroupMain: TGroupBox
    Left = 8
    Top = 8
    Width = 252
    Height = 214
    Caption = 'Main Spectrum'
    object Lab_MMLEDSpin55: TLabel
      Left = 8
      Top = 26
      Width = 70
      Height = 13
      Caption = 'OL Point 1'
    end
    object MMLEDSpin55: TMMLEDSpin
      Left = 82
      Top = 20
      MaxValue = 99
      MinValue = 1
      Value = 85
      OnChange = MMLEDSpin55Change
    end
    object Lab_MMLEDSpin1: TLabel
      Left = 8
      Top = 60
      Width = 70
      Height = 13
      Caption = 'OL Point 2'
    end
    object MMLEDSpin1: TMMLEDSpin
      Left = 82
      Top = 54
      MaxValue = 99
      MinValue = 1
      Value = 86
      OnChange = MMLEDSpin1Change
    end
    object Lab_MMLEDSpin4: TLabel
      Left = 8
      Top = 94
      Width = 70
      Height = 13
      Caption = 'Space'
    end
    object MMLEDSpin4: TMMLEDSpin
      Left = 82
      Top = 88
      MaxValue = 9
      MinValue = 0
      Value = 1
      OnChange = MMLEDSpin4Change
    end
    object Lab_MMLEDSpin3: TLabel
      Left = 8
      Top = 128
      Width = 70
      Height = 13
      Caption = 'Spot Height'
    end
    object MMLEDSpin3: TMMLEDSpin
      Left = 82
      Top = 122
      MaxValue = 50
      MinValue = 0
      Value = 1
      OnChange = MMLEDSpin3Change
    end
    object Lab_MMLEDSpin2: TLabel
      Left = 8
      Top = 162
      Width = 70
      Height = 13
      Caption = 'Spot Space'
    end
    object MMLEDSpin2: TMMLEDSpin
      Left = 82
      Top = 156
      MaxValue = 5
      MinValue = 0
      Value = 0
      OnChange = MMLEDSpin2Change
    end
    object Lab_MMColorButton1: TLabel
      Left = 112
      Top = 24
      Width = 100
      Height = 13
      Caption = 'Bar Color 1'
    end
    object MMColorButton1: TMMColorButton
      Left = 216
      Top = 20
      Value = clYellow
      OnChange = MMColorButton1Change
    end
    object Lab_MMColorButton2: TLabel
      Left = 112
      Top = 52
      Width = 100
      Height = 13
      Caption = 'Bar Color 2'
    end
    object MMColorButton2: TMMColorButton
      Left = 216
      Top = 48
      Value = clYellow
      OnChange = MMColorButton2Change
    end
    object Lab_MMColorButton3: TLabel
      Left = 112
      Top = 80
      Width = 100
      Height = 13
      Caption = 'Bar Color 3'
    end
    object MMColorButton3: TMMColorButton
      Left = 216
      Top = 76
      Value = clRed
      OnChange = MMColorButton3Change
    end
    object Lab_MMColorButton4: TLabel
      Left = 112
      Top = 108
      Width = 100
      Height = 13
      Caption = 'Grid Color'
    end
    object MMColorButton4: TMMColorButton
      Left = 216
      Top = 104
      Value = clSilver
      OnChange = MMColorButton4Change
    end
    object Lab_MMColorButton5: TLabel
      Left = 112
      Top = 136
      Width = 100
      Height = 13
      Caption = 'Scale Text'
    end
    object MMColorButton5: TMMColorButton
      Left = 216
      Top = 132
      OnChange = MMColorButton5Change
    end
    object Lab_MMColorButton11: TLabel
      Left = 112
      Top = 164
      Width = 100
      Height = 13
      Caption = 'Spectrum Background'
    end
    object MMColorButton11: TMMColorButton
      Left = 216
      Top = 160
      Value = clGray
      OnChange = MMColorButton11Change
    end
  end
  object GroupBack: TGroupBox
    Left = 268
    Top = 8
    Width = 252
    Height = 214
    Caption = 'Background Spectrum'
    object Lab_MMLEDSpin5: TLabel
      Left = 8
      Top = 26
      Width = 70
      Height = 13
      Caption = 'OL Point 1'
    end
    object MMLEDSpin5: TMMLEDSpin
      Left = 82
      Top = 20
      MaxValue = 99
      MinValue = 1
      Value = 85
      OnChange = MMLEDSpin5Change
    end
    object Lab_MMLEDSpin6: TLabel
      Left = 8
      Top = 60
      Width = 70
      Height = 13
      Caption = 'OL Point 2'
    end
    object MMLEDSpin6: TMMLEDSpin
      Left = 82
      Top = 54
      MaxValue = 99
      MinValue = 1
      Value = 86
      OnChange = MMLEDSpin6Change
    end
    object Lab_MMLEDSpin9: TLabel
      Left = 8
      Top = 94
      Width = 70
      Height = 13
      Caption = 'Space'
    end
    object MMLEDSpin9: TMMLEDSpin
      Left = 82
      Top = 88
      MaxValue = 9
      MinValue = 0
      Value = 1
      OnChange = MMLEDSpin9Change
    end
    object Lab_MMLEDSpin8: TLabel
      Left = 8
      Top = 128
      Width = 70
      Height = 13
      Caption = 'Spot Height'
    end
    object MMLEDSpin8: TMMLEDSpin
      Left = 82
      Top = 122
      MaxValue = 50
      MinValue = 0
      Value = 1
      OnChange = MMLEDSpin8Change
    end
    object Lab_MMLEDSpin7: TLabel
      Left = 8
      Top = 162
      Width = 70
      Height = 13
      Caption = 'Spot Space'
    end
    object MMLEDSpin7: TMMLEDSpin
      Left = 82
      Top = 156
      MaxValue = 5
      MinValue = 0
      Value = 0
      OnChange = MMLEDSpin7Change
    end
    object Lab_MMColorButton6: TLabel
      Left = 112
      Top = 24
      Width = 100
      Height = 13
      Caption = 'Bar Color 1'
    end
    object MMColorButton6: TMMColorButton
      Left = 216
      Top = 20
      Value = clTeal
      OnChange = MMColorButton6Change
    end
    object Lab_MMColorButton7: TLabel
      Left = 112
      Top = 52
      Width = 100
      Height = 13
      Caption = 'Bar Color 2'
    end
    object MMColorButton7: TMMColorButton
      Left = 216
      Top = 48
      Value = clTeal
      OnChange = MMColorButton7Change
    end
    object Lab_MMColorButton8: TLabel
      Left = 112
      Top = 80
      Width = 100
      Height = 13
      Caption = 'Bar Color 3'
    end
    object MMColorButton8: TMMColorButton
      Left = 216
      Top = 76
      Value = clRed
      OnChange = MMColorButton8Change
    end
    object Lab_MMColorButton9: TLabel
      Left = 112
      Top = 108
      Width = 100
      Height = 13
      Caption = 'Grid Color'
    end
    object MMColorButton9: TMMColorButton
      Left = 216
      Top = 104
      Value = clGray
      OnChange = MMColorButton9Change
    end
    object Lab_MMColorButton10: TLabel
      Left = 112
      Top = 136
      Width = 100
      Height = 13
      Caption = 'Scale Text'
    end
    object MMColorButton10: TMMColorButton
      Left = 216
      Top = 132
      OnChange = MMColorButton10Change
    end
  end
  object RadioGroup1: TRadioGroup
    Left = 8
    Top = 228
    Width = 160
    Height = 58
    Caption = ' Background Display Mode  '
    Items.Strings = (
      'Lines'
      'Bars')
    ItemIndex = 1
    OnClick = RadioGroup1Click
  end
  object rg_skin: TRadioGroup
    Left = 176
    Top = 228
    Width = 344
    Height = 120
    Caption = ' Program Skins '
    Columns = 4
    Items.Strings = (
      'Skin 1'
      'Skin 2'
      'Skin 3'
      'Skin 4'
      'Skin 5'
      'Skin 6'
      'Skin 7'
      'Skin 8'
      'Skin 9'
      'Skin 10'
      'Skin 11'
      'Skin 12'
      'Skin 13'
      'Skin  14')
    ItemIndex = 9
    OnClick = rg_skinClick
  end
  object Button1: TButton
    Left = 8
    Top = 294
    Width = 160
    Height = 25
    Caption = 'Refresh Background'
    OnClick = Button1Click
  end
  object Button2: TButton
    Left = 8
    Top = 323
    Width = 160
    Height = 25
    Caption = 'Okay'
    OnClick = Button2Click
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 500
    OnTimer = Timer1Timer
  end
end
