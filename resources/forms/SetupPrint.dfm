object fSetupPrint: TfSetupPrint
  Left = 300
  Top = 120
  BorderStyle = bsDialog
  Caption = 'Printer input'
  ClientHeight = 472
  ClientWidth = 456
  Color = clBtnFace
  Position = poScreenCenter
  OnShow = FormShow
  object labHeading: TLabel
    Left = 12
    Top = 10
    Width = 432
    Height = 20
    AutoSize = False
    Caption = 'Print a freezed background'
    Font.Name = 'Arial'
    Font.Height = -16
    Font.Style = [fsBold]
    ParentFont = False
  end
  object labStep1: TLabel
    Left = 12
    Top = 44
    Width = 16
    Height = 13
    Caption = '1.'
  end
  object btnFreez: TButton
    Left = 32
    Top = 38
    Width = 160
    Height = 25
    Caption = 'Load Freezed Spectrum'
    TabOrder = 0
    OnClick = btnFreezClick
  end
  object labFreezedTitle: TLabel
    Left = 32
    Top = 70
    Width = 412
    Height = 13
    AutoSize = False
    Caption = 'Print freezed Spectrum'
  end
  object labFreezed: TLabel
    Left = 32
    Top = 86
    Width = 412
    Height = 13
    AutoSize = False
    Caption = ''
  end
  object labStep2: TLabel
    Left = 12
    Top = 112
    Width = 16
    Height = 13
    Caption = '2.'
  end
  object labMain: TLabel
    Left = 32
    Top = 112
    Width = 412
    Height = 13
    AutoSize = False
    Caption = 'Main Label ( Font size 42 )'
  end
  object edMain: TEdit
    Left = 32
    Top = 128
    Width = 412
    Height = 21
    TabOrder = 1
    Text = 'Main Label'
  end
  object labStep3: TLabel
    Left = 12
    Top = 158
    Width = 16
    Height = 13
    Caption = '3.'
  end
  object labProdTitle: TLabel
    Left = 32
    Top = 158
    Width = 412
    Height = 13
    AutoSize = False
    Caption = 'Production Label ( Font size 12 )'
  end
  object edProd: TEdit
    Left = 32
    Top = 174
    Width = 412
    Height = 21
    TabOrder = 2
    Text = 'Production Label'
  end
  object labStep4: TLabel
    Left = 12
    Top = 204
    Width = 16
    Height = 13
    Caption = '4.'
  end
  object labMemo: TLabel
    Left = 32
    Top = 204
    Width = 412
    Height = 13
    AutoSize = False
    Caption = 'Memo Field: place for your descriptions'
  end
  object Memo1: TMemo
    Left = 32
    Top = 220
    Width = 412
    Height = 120
    ScrollBars = ssVertical
    TabOrder = 3
  end
  object labStep5: TLabel
    Left = 12
    Top = 352
    Width = 16
    Height = 13
    Caption = '5.'
  end
  object rgBackground: TRadioGroup
    Left = 32
    Top = 348
    Width = 412
    Height = 64
    Caption = ' Select background Color && Bar Color'
    ItemIndex = 1
    Items.Strings = (
      'Black background (selected Color)'
      'White background (Black Bars)')
    TabOrder = 4
  end
  object labStep6: TLabel
    Left = 12
    Top = 432
    Width = 16
    Height = 13
    Caption = '6.'
  end
  object Button1: TButton
    Left = 32
    Top = 426
    Width = 100
    Height = 25
    Caption = 'Print'
    TabOrder = 5
    OnClick = Button1Click
  end
end
