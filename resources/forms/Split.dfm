object fSplit: TfSplit
  Left = 240
  Top = 180
  BorderStyle = bsToolWindow
  Caption = 'Split Stereo Wave file in two Mono files'
  ClientHeight = 150
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
  object Label2: TLabel
    Left = 12
    Top = 60
    Width = 416
    Height = 16
    Caption = ''
  end
  object Button1: TButton
    Left = 120
    Top = 100
    Width = 200
    Height = 26
    Caption = 'Load and Split wave file'
    OnClick = Button1Click
  end
  object SrcFile: TMMWaveFile
    Wave.TimeFormat = tfByte
  end
  object LeftFile: TMMWaveFile
    Wave.TimeFormat = tfByte
    Wave.FileMustExist = False
  end
  object RightFile: TMMWaveFile
    Wave.TimeFormat = tfByte
    Wave.FileMustExist = False
  end
  object OpenDialog: TOpenDialog
    Filter = 'Wave-Files(*.wav)|*.wav'
    Title = 'Open Wave File'
  end
end
