object fEncode: TfEncode
  Left = 240
  Top = 180
  BorderStyle = bsToolWindow
  Caption = 'Wave to Mp3 file '
  ClientHeight = 250
  ClientWidth = 420
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  OnShow = FormShow
  OnClose = FormClose
  object Label1: TLabel
    Left = 12
    Top = 12
    Width = 110
    Height = 16
    Caption = 'Convert Wave file:'
  end
  object labSource: TLabel
    Left = 130
    Top = 12
    Width = 280
    Height = 16
    Caption = ''
  end
  object Label3: TLabel
    Left = 12
    Top = 36
    Width = 110
    Height = 16
    Caption = 'Mp3 File:'
  end
  object labDec: TLabel
    Left = 130
    Top = 36
    Width = 280
    Height = 16
    Caption = ''
  end
  object Label5: TLabel
    Left = 12
    Top = 62
    Width = 110
    Height = 16
    Caption = 'Filename'
  end
  object edName: TEdit
    Left = 130
    Top = 58
    Width = 280
    Height = 22
    ReadOnly = True
    TabStop = False
  end
  object Label6: TLabel
    Left = 12
    Top = 92
    Width = 110
    Height = 16
    Caption = 'Bitrate (kbit/s)'
  end
  object cbBitRate: TComboBox
    Left = 130
    Top = 88
    Width = 80
    Height = 22
    Style = csDropDownList
    Items.Strings = (
      '320 '
      '256'
      '224'
      '192'
      '160'
      '128'
      '112'
      '96'
      '80'
      '64'
      '56'
      '48'
      '40'
      '32')
  end
  object rgPrivat: TRadioButton
    Left = 230
    Top = 90
    Width = 80
    Height = 18
    Caption = 'Privat'
  end
  object rgOriginal: TRadioButton
    Left = 320
    Top = 90
    Width = 90
    Height = 18
    Caption = 'Original'
    Checked = True
  end
  object Gauge: TMMGauge
    Left = 12
    Top = 124
    Width = 396
    Height = 18
    MinValue = 0
    MaxValue = 100
  end
  object Label7: TLabel
    Left = 12
    Top = 152
    Width = 396
    Height = 16
    Caption = 'Please select only wav'#39's with 44.1khz and 16 Bit'
  end
  object btnEncode: TButton
    Left = 110
    Top = 200
    Width = 110
    Height = 26
    Caption = 'Select Wavfile'
    OnClick = btnEncodeClick
  end
  object btnCancel: TButton
    Left = 230
    Top = 200
    Width = 90
    Height = 26
    Caption = 'Cancel'
    Enabled = False
    OnClick = btnCancelClick
  end
  object WaveFile: TMMWaveFile
    Output = Trigger
  end
  object Trigger: TMMTrigger
    Output = MP3Encoder
    BufferSize = 16384
    OnStart = TriggerStart
    OnStop = TriggerStop
  end
  object MP3Encoder: TMMMP3Encoder
  end
  object OpenDialog: TOpenDialog
    Filter = 'Wave-Files(*.wav)|*.wav'
    Title = 'Open Wave File'
  end
  object Timer: TTimer
    Interval = 500
    Enabled = False
    OnTimer = TimerTimer
  end
end
