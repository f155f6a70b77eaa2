object FrmInfo: TFrmInfo
  BorderStyle = bsNone
  Caption = 'Programm Info'
  ClientWidth = 525
  ClientHeight = 290
  Color = clSilver
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  object Bevel1: TBevel
    Left = 0
    Top = 0
    Width = 525
    Height = 290
    Shape = bsFrame
    Style = bsRaised
  end
  object Image1: TImage
    Left = 25
    Top = 20
    Width = 290
    Height = 250
  end
  object MMLabel7: TMMLabel
    Left = 330
    Top = 40
    Width = 180
    Height = 22
    Caption = 'team@quellix.example.org'
    Cursor = -21
    EffectStyle = lsNone
    Font.Name = 'Arial'
    Font.Style = [fsUnderline]
    Font.Color = clNavy
    Font.Size = 9
    OnClick = MMLabel7Click
  end
  object MMLabel3: TMMLabel
    Left = 330
    Top = 70
    Width = 180
    Height = 22
    Caption = 'quellix.example.org'
    Cursor = -21
    EffectStyle = lsNone
    Font.Name = 'Arial'
    Font.Style = [fsUnderline]
    Font.Color = clNavy
    Font.Size = 9
    OnClick = MMLabel3Click
  end
  object StatusBar1: TStatusBar
    Align = alNone
    Left = 330
    Top = 150
    Width = 180
    Height = 24
    SizeGrip = False
    SimplePanel = False
    Panels = <
      item
        Alignment = taRightJustify
        Text = 'Sonavex  '
        Width = 180
      end>
  end
  object StatusBar2: TStatusBar
    Align = alNone
    Left = 330
    Top = 180
    Width = 180
    Height = 24
    SizeGrip = False
    SimplePanel = False
    Panels = <
      item
        Alignment = taRightJustify
        Text = 'pro Lab   '
        Width = 180
      end>
  end
  object Button1: TButton
    Left = 330
    Top = 240
    Width = 180
    Height = 28
    Caption = '>> Close <<'
    OnClick = Button1Click
  end
end
