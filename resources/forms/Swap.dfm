object fSwap: TfSwap
  Left = 240
  Top = 180
  BorderStyle = bsToolWindow
  Caption = 'Swap channels in a wave file'
  ClientHeight = 130
  ClientWidth = 440
  Color = clBtnFace
  Position = poScreenCenter
  object labSource: TLabel
    Left = 12
    Top = 12
    Width = 416
    Height = 16
    Caption = ''
  end
  object labdest: TLabel
    Left = 12
    Top = 36
    Width = 416
    Height = 16
    Caption = ''
  end
  object Button1: TButton
    Left = 100
    Top = 80
    Width = 240
    Height = 26
    Caption = 'Load and swap left and right channel'
    OnClick = Button1Click
  end
  object SrcFile: TMMWaveFile
    Wave.TimeFormat = tfByte
  end
  object DstFile: TMMWaveFile
    Wave.TimeFormat = tfByte
    Wave.FileMustExist = False
  end
end
