object fNormalize: TfNormalize
  Left = 240
  Top = 180
  BorderStyle = bsToolWindow
  Caption = 'Normalize Wave file'
  ClientHeight = 190
  ClientWidth = 400
  Color = clBtnFace
  Position = poScreenCenter
  object labSource: TLabel
    Left = 12
    Top = 12
    Width = 376
    Height = 16
    Caption = ''
  end
  object labdest: TLabel
    Left = 12
    Top = 34
    Width = 376
    Height = 16
    Caption = ''
  end
  object Label1: TLabel
    Left = 12
    Top = 60
    Width = 50
    Height = 16
    Caption = 'Peak:'
  end
  object Label2: TLabel
    Left = 70
    Top = 60
    Width = 100
    Height = 16
    Caption = ''
  end
  object Label3: TLabel
    Left = 190
    Top = 60
    Width = 50
    Height = 16
    Caption = 'Gain:'
  end
  object LabGain: TLabel
    Left = 248
    Top = 60
    Width = 140
    Height = 16
    Caption = ''
  end
  object Gauge: TMMGauge
    Left = 12
    Top = 90
    Width = 376
    Height = 18
    MinValue = 0
    MaxValue = 100
    Caption = 'Scanning...'
  end
  object btnFile: TButton
    Left = 130
    Top = 140
    Width = 140
    Height = 26
    Caption = 'Load wave file'
    OnClick = btnFileClick
  end
  object SrcFile: TMMWaveFile
    Wave.TimeFormat = tfByte
  end
  object DstFile: TMMWaveFile
    Wave.TimeFormat = tfByte
    Wave.FileMustExist = False
  end
end
