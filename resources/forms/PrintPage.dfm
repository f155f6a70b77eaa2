object fPrint: TfPrint
  Left = 0
  Top = 0
  BorderStyle = bsNone
  Caption = 'Print Sonavex'
  ClientHeight = 996
  ClientWidth = 766
  Color = clWhite
  OnCreate = FormCreate
  object Label1: TLabel
    Left = 15
    Top = 24
    Width = 730
    Height = 64
    Alignment = taCenter
    AutoSize = False
    Caption = ''
    Font.Color = clBlack
    Font.Name = 'Arial'
    Font.Height = -56
    ParentFont = False
    Transparent = True
  end
  object labProd: TLabel
    Left = 32
    Top = 180
    Width = 709
    Height = 21
    Alignment = taCenter
    AutoSize = False
    Caption = ''
    Font.Color = clBlack
    Font.Name = 'Arial'
    Font.Height = -16
    Font.Style = [fsBold]
    ParentFont = False
    Transparent = True
  end
  object Label5: TLabel
    Left = 32
    Top = 672
    Width = 705
    Height = 305
    AutoSize = False
    Caption = ''
    Font.Color = clBlack
    Font.Name = 'Arial'
    Font.Height = -16
    ParentFont = False
    Transparent = True
    WordWrap = True
  end
end
