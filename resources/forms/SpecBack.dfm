object fSpecBack: TfSpecBack
  Left = 0
  Top = 0
  Width = 640
  Height = 300
  BorderStyle = bsNone
  Caption = 'fSpecBack'
  Color = clBlack
  OnCreate = FormCreate
  object SpeckBack: TMMSpectrum
    Left = 0
    Top = 0
    Width = 640
    Height = 300
    BitLength = b16Bit
    Mode = mStereo
    SampleRate = 44100
    FFTLength = 4096
    LogFreq = True
    LogAmp = True
    NumPeaks = 0
  end
end
