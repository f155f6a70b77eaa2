object fConvert: TfConvert
  Left = 240
  Top = 180
  BorderStyle = bsToolWindow
  Caption = 'MP3 To Wave file'
  ClientHeight = 150
  ClientWidth = 400
  Color = clBtnFace
  Position = poScreenCenter
  object Label1: TLabel
    Left = 12
    Top = 12
    Width = 110
    Height = 16
    Caption = 'Mp3 File:'
  end
  object labSource: TLabel
    Left = 130
    Top = 12
    Width = 260
    Height = 16
    Caption = ''
  end
  object Label3: TLabel
    Left = 12
    Top = 36
    Width = 110
    Height = 16
    Caption = 'Convert Wave file:'
  end
  object labDec: TLabel
    Left = 130
    Top = 36
    Width = 260
    Height = 16
    Caption = ''
  end
  object Gauge: TMMGauge
    Left = 12
    Top = 66
    Width = 376
    Height = 18
    MinValue = 0
    MaxValue = 100
  end
  object btnConvert: TButton
    Left = 130
    Top = 104
    Width = 140
    Height = 26
    Caption = 'Select Mp3 file'
    OnClick = btnConvertClick
  end
  object AudioFile: TMMAudioFile
    Output = Trigger
    MpegTrailingHeader = 0
  end
  object Trigger: TMMTrigger
    Output = WaveFile
    BufferSize = 32768
    OnBufferFilled = TriggerBufferReady
    OnStart = TriggerStart
    OnStop = TriggerStop
  end
  object WaveFile: TMMWaveFile
    Wave.FileMustExist = False
  end
end
