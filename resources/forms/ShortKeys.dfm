object Form1: TForm1
  Left = 300
  Top = 140
  Width = 228
  Height = 399
  BorderStyle = bsDialog
  Caption = 'Short Keys'
  Color = clBtnFace
  Position = poScreenCenter
  object Memo1: TMemo
    Left = 8
    Top = 8
    Width = 206
    Height = 318
    Color = clWhite
    ReadOnly = True
    ScrollBars = ssVertical
    TabOrder = 0
    Lines.Strings = (
      'Short Key'#39's'
      ''
      'F1 = 1/3 Octave'
      'F2 = 1/6 Octave'
      'F3 = 1/12 Octave'
      'F4 = 1/24 Octave'
      'F5 = FFT 2048'
      'F6 = FFT 4096'
      ''
      'F7 = Nordic N9'
      'F8 = DIN 45406 '
      'F9 = BBC'
      'F10 = EBU'
      'F11 =  dB Full Scale'
      ''
      'Space = Start or Stops the Line In displaying'
      'Delete = Reset of all max values(Level, Corre)'
      ''
      'NUMBER PAD 1 = DispayDriver 1 & 2'
      'NUMBER PAD 2 = DispayDriver 3 & 4'
      'NUMBER PAD 3 = DispayDriver 5 & 6'
      'NUMBER PAD 4 = DispayDriver 7 & 8'
      ''
      'NUMBER PAD + = Fullscreen'
      'NUMBER PAD - = Normal screen')
  end
  object Button1: TButton
    Left = 72
    Top = 334
    Width = 80
    Height = 25
    Caption = 'Close'
    TabOrder = 1
    OnClick = Button1Click
  end
end
