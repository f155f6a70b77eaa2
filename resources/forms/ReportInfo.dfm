object fReport: TfReport
  Left = 340
  Top = 160
  BorderStyle = bsSingle
  BorderIcons = [biSystemMenu]
  Caption = 'Report Information'
  ClientHeight = 260
  ClientWidth = 360
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  object Image2: TImage
    Left = 0
    Top = 0
    Width = 360
    Height = 260
    Align = alClient
  end
  object Label_Location: TLabel
    Left = 12
    Top = 16
    Width = 60
    Height = 13
    Caption = 'Location'
    Transparent = True
  end
  object Edit1: TEdit
    Left = 80
    Top = 12
    Width = 268
    Height = 21
    TabOrder = 0
  end
  object Label_Person: TLabel
    Left = 12
    Top = 46
    Width = 60
    Height = 13
    Caption = 'Person'
    Transparent = True
  end
  object Edit2: TEdit
    Left = 80
    Top = 42
    Width = 268
    Height = 21
    TabOrder = 1
  end
  object Label_Memo: TLabel
    Left = 12
    Top = 76
    Width = 60
    Height = 13
    Caption = 'Memo'
    Transparent = True
  end
  object memo_memo: TMemo
    Left = 80
    Top = 72
    Width = 268
    Height = 140
    ScrollBars = ssVertical
    TabOrder = 2
  end
  object Button1: TButton
    Left = 272
    Top = 224
    Width = 76
    Height = 25
    Caption = 'Okay'
    TabOrder = 3
    OnClick = Button1Click
  end
end
