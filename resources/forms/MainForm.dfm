object FrmMain: TFrmMain
  Left = 0
  Top = 0
  Caption = 'Sonavex pro Lab'
  ClientWidth = 1024
  ClientHeight = 720
  Color = clSilver
  Font.Name = 'Arial'
  Font.Size = 8
  KeyPreview = True
  Menu = MainMenu1
  Position = poDefault
  Scaled = False
  WindowState = wsMaximized
  OnClose = FormClose
  OnCreate = FormCreate
  OnKeyDown = FormKeyDown
  OnKeyPress = FormKeyPress
  OnResize = FormResize
  OnShow = FormShow
  object MMWaveIn1: TMMWaveIn
    Output = MMConnector1
    BufferSize = 16384
    NumBuffers = 2
    DeviceID = MapperId
    Mode = mStereo
    Channels = 2
    BitLength = b16Bit
    SampleRate = 44100
    OnClose = MMWaveIn1Close
  end
  object MMConnector1: TMMConnector
    Input = MMWaveIn1
    Output = conect2
    Level1 = MMLevel1
    Level2 = MMLevel2
    Oscope1 = os_l
    Oscope2 = os_r
    Spectrum1 = MMSpectrum1
    TriggerMode = tmDownFlank
    EnterIdle = False
    OnTrigger = MMConnector1Trigger
  end
  object conect2: TMMConnector
    Input = MMConnector1
    Output = MMPeakDetect1
    Level1 = MMLevel3
    Level2 = MMLevel4
    Oscope1 = MMOscope1
    Synchronize = False
    Speed = 1000
    TriggerMode = tmUpFlank
    EnterIdle = False
    OnTrigger = conect2Trigger
  end
  object MMPeakDetect1: TMMPeakDetect
    Input = conect2
    Output = MMPeakDetect2
    FFTLength = 16384
  end
  object MMPeakDetect2: TMMPeakDetect
    Input = MMPeakDetect1
    Output = DSPPlugin
    FFTLength = 32768
    Window = fwRectangular
  end
  object DSPPlugin: TMMDSPPlugin
    Input = MMPeakDetect2
  end
  object MMWaveOut1: TMMWaveOut
    Input = waveplayer
    BufferSize = 16384
    NumBuffers = 2
    DeviceID = MapperId
    TimeFormat = tfMillisecond
    OnStart = MMWaveOut1Start
    OnPause = MMWaveOut1Pause
    OnRestart = MMWaveOut1Restart
    OnStop = MMWaveOut1Stop
    OnClose = MMWaveOut1Close
  end
  object MMGenerator1: TMMGenerator
    SampleRate = 44100
    BitLength = b16Bit
    Mode = mStereo
    Frequency = 1000.000000000000000000
    Amplitude = 8212
  end
  object MMConnector3: TMMConnector
    Enabled = False
    Synchronize = False
    EnterIdle = False
    OnTrigger = MMConnector3Trigger
  end
  object Trigger: TMMTrigger
    BufferSize = 8192
    OnBufferFilled = TriggerBufferReady
    OnStop = TriggerStop
  end
  object MMDesigner1: TMMDesigner
    Active = False
    Update = False
    RuntimeHeight = -1
  end
  object MMBitmapList1: TMMBitmapList
  end
  object LoadDialog1: TOpenDialog
  end
  object SaveDialog1: TSaveDialog
    DefaultExt = 'sav'
    Options = [ofOverwritePrompt]
  end
  object OpenMp3: TOpenDialog
    Filter = 'All Audio Files (*.wav;*.mp?;*.atx)|*.wav;*.mp2;*.mp3;*.atx|Wave Files (*.wav)|*.wav|MPEG Audio Files (*.mp?)|*.mp2;*.mp3;|Antex MPEG Files (*.atx)|*.atx'
  end
  object PrintDialog1: TPrintDialog
  end
  object Timer1: TTimer
    Interval = 500
    Enabled = False
    OnTimer = Timer1Timer
  end
  object WaveTimer: TTimer
    Interval = 200
    Enabled = False
    OnTimer = WaveTimerTimer
  end
  object t_corre: TTimer
    Interval = 130
    OnTimer = t_correTimer
  end
  object TimerOver: TTimer
    Interval = 2000
    OnTimer = TimerOverTimer
  end
  object Timer2: TTimer
    Interval = 1000
    Enabled = False
    OnTimer = Timer2Timer
  end
  object Timer3: TTimer
    Interval = 1000
    OnTimer = Timer3Timer
  end
  object tResize: TTimer
    Interval = 500
    Enabled = False
    OnTimer = tResizeTimer
  end
  object MainMenu1: TMainMenu
    object File1: TMenuItem
      Caption = '&File'
      object LoadPrject1: TMenuItem
        Caption = '&Load Analyzer Setting'
        ShortCut = 16460
        OnClick = LoadPrject1Click
      end
      object SaveProject1: TMenuItem
        Caption = '&Save Analyzer Setting'
        ShortCut = 16467
        OnClick = SaveProject1Click
      end
      object SaveasDefault1: TMenuItem
        Caption = 'Save Settings as Default'
        ShortCut = 16452
        OnClick = SaveasDefault1Click
      end
      object Exit1: TMenuItem
        Caption = 'Exit'
        ShortCut = 16472
        OnClick = Exit1Click
      end
    end
    object AnalyzerFunctions1: TMenuItem
      Caption = '&Analyzer Functions'
      object LineIn1: TMenuItem
        Caption = '&Real time'
        ShortCut = 16466
        OnClick = LineIn1Click
      end
      object WavePlayer1: TMenuItem
        Caption = '&Wave Player'
        ShortCut = 16471
        OnClick = WavePlayer1Click
      end
      object Frequ1: TMenuItem
        Caption = '&Generator'
        ShortCut = 16455
        OnClick = Frequ1Click
      end
      object LEQcalculator1: TMenuItem
        Caption = 'LEQ calculator'
        ShortCut = 16465
        OnClick = LEQcalculator1Click
      end
    end
    object DisplayMode1: TMenuItem
      Caption = 'Dis&play Mode'
      object Dots1: TMenuItem
        Caption = 'Dots'
        OnClick = Dots1Click
      end
      object Lines1: TMenuItem
        Caption = 'Lines'
        OnClick = Lines1Click
      end
      object VerticalLines1: TMenuItem
        Caption = 'Vertical Lines'
        OnClick = VerticalLines1Click
      end
      object Bars1: TMenuItem
        Caption = 'Bars'
        OnClick = Bars1Click
      end
      object Peaks1: TMenuItem
        Caption = 'Peaks'
        OnClick = Peaks1Click
      end
      object Sroll1: TMenuItem
        Caption = 'Scroll'
        OnClick = Sroll1Click
      end
      object DisplayRMSLevelMeter1: TMenuItem
        Caption = 'Display RMS Level Meter'
        OnClick = DisplayCorrelationMeter1Click
        AutoCheck = True
        Checked = True
      end
      object DisplayNote1: TMenuItem
        Caption = 'Display Note information'
        AutoCheck = True
        Checked = True
        OnClick = DisplayNote1Click
      end
      object DisplayCorrelationMeter1: TMenuItem
        Caption = 'Display Correlation Meter'
        AutoCheck = True
        Checked = True
      end
      object ChangeLevelMeterwithRMSMeter1: TMenuItem
        Caption = 'Change Level Meter with RMS Meter'
        OnClick = ChangeLevelMeterwithRMSMeter1Click
        AutoCheck = True
      end
      object Show1: TMenuItem
        Caption = 'Show big Peak window'
        AutoCheck = True
        OnClick = Show1Click
      end
    end
    object FilterMode1: TMenuItem
      Caption = 'Filter &Mode'
      object Rectangular1: TMenuItem
        Caption = 'Rectangular'
        OnClick = Rectangular1Click
      end
      object Hammiing1: TMenuItem
        Caption = 'Hamming'
        OnClick = Hammiing1Click
      end
      object Hanning1: TMenuItem
        Caption = 'Hanning'
        OnClick = Hanning1Click
      end
      object Backman1: TMenuItem
        Caption = 'Backman'
        OnClick = Backman1Click
      end
      object Gausian1: TMenuItem
        Caption = 'Gausian'
        OnClick = Gausian1Click
      end
      object Welch1: TMenuItem
        Caption = 'Welch'
        OnClick = Welch1Click
      end
      object Parzen1: TMenuItem
        Caption = 'Parzen'
        OnClick = Parzen1Click
      end
    end
    object AnalyzerData1: TMenuItem
      Caption = 'Analyzer &Data'
      object StoreFreeed1: TMenuItem
        Caption = 'Store freezed Spectrum 1'
        ShortCut = 16496
        OnClick = StoreFreeed1Click
      end
      object StoreFreezedSpectrum21: TMenuItem
        Caption = 'Store freezed Spectrum 2'
        ShortCut = 16497
        OnClick = StoreFreezedSpectrum21Click
      end
      object StoreFreezedSpectrum31: TMenuItem
        Caption = 'Store freezed Spectrum 3'
        ShortCut = 16498
        OnClick = StoreFreezedSpectrum31Click
      end
      object StoreFreezedSpectrum41: TMenuItem
        Caption = 'Store freezed Spectrum 4'
        ShortCut = 16499
        OnClick = StoreFreezedSpectrum41Click
      end
      object LoadfreezedSpectrum11: TMenuItem
        Caption = 'Load freezed Spectrum 1'
        ShortCut = 16500
        OnClick = LoadfreezedSpectrum11Click
      end
      object LoadfreezedSpectrum12: TMenuItem
        Caption = 'Load freezed Spectrum 2'
        ShortCut = 16501
        OnClick = LoadfreezedSpectrum12Click
      end
      object LoadfreezedSpectrum13: TMenuItem
        Caption = 'Load freezed Spectrum 3'
        ShortCut = 16502
        OnClick = LoadfreezedSpectrum13Click
      end
      object LoadfreezedSpectrum41: TMenuItem
        Caption = 'Load freezed Spectrum 4'
        ShortCut = 16503
        OnClick = LoadfreezedSpectrum41Click
      end
      object LoadBackground11: TMenuItem
        Caption = 'Load freezed Background 1'
        ShortCut = 16504
        OnClick = LoadBackground11Click
      end
      object LoadBackground21: TMenuItem
        Caption = 'Load freezed Background 2'
        ShortCut = 16505
        OnClick = LoadBackground21Click
      end
      object LoadBackground31: TMenuItem
        Caption = 'Load freezed Background 3'
        ShortCut = 16506
        OnClick = LoadBackground31Click
      end
      object LoadBackground41: TMenuItem
        Caption = 'Load freezed Background 4'
        ShortCut = 16507
        OnClick = LoadBackground41Click
      end
      object AnalyzerEditor1: TMenuItem
        Caption = 'Analyzer &Editor'
        ShortCut = 16453
        OnClick = AnalyzerEditor1Click
      end
      object ClearfreezedSpectrumbackground1: TMenuItem
        Caption = 'Clear freezed Background'
        OnClick = ClearfreezedSpectrumbackground1Click
      end
    end
    object Average1: TMenuItem
      Caption = 'A&verage'
      object File121: TMenuItem
        Caption = 'File 1 && 4'
        ShortCut = 8304
        OnClick = File121Click
      end
      object File131: TMenuItem
        Caption = 'File 2 && 5'
        ShortCut = 8305
        OnClick = File131Click
      end
      object File141: TMenuItem
        Caption = 'File 3 && 6'
        ShortCut = 8306
        OnClick = File141Click
      end
    end
    object Preferences1: TMenuItem
      Caption = 'Preferen&ces'
      object StandardMixer1: TMenuItem
        Caption = 'Standard &Mixer Win95/98/00/NT'
        OnClick = SetupforInput1Click
      end
      object InputDevice1: TMenuItem
        Caption = '&Input Device'
        OnClick = InputDevice1Click
      end
      object OutputDevice1: TMenuItem
        Caption = '&Output Device'
        OnClick = OutputDevice1Click
      end
      object Spectrum1: TMenuItem
        Caption = 'Spectrum out&fit'
        OnClick = Spectrum1Click
      end
      object CorrelationSettings1: TMenuItem
        Caption = 'Correlation Settings'
        OnClick = CorrelationSettings1Click
      end
      object LevelSettings1: TMenuItem
        Caption = 'Level Settings'
        OnClick = LevelSettings1Click
      end
      object MultiAudioDrivers1: TMenuItem
        Caption = 'Multi Audio Drivers'
        object SelectAudioDriver1: TMenuItem
          Caption = 'Select Audio Driver'
          OnClick = S1Click
        end
        object StartAudioDriver2NumPad21: TMenuItem
          Caption = 'Start Audio Driver 1 Num Pad 1'
          OnClick = S2Click
        end
        object StartAudioDriver2NumPad22: TMenuItem
          Caption = 'Start Audio Driver 2 Num Pad 2'
          OnClick = S3Click
        end
        object StartAudioDriver3NumPad31: TMenuItem
          Caption = 'Start Audio Driver 3 Num Pad 3'
          OnClick = StartAudioDriver2NumPad21Click
        end
        object StartAudioDriver4NumPad41: TMenuItem
          Caption = 'Start Audio Driver 4 Num Pad 4'
          OnClick = StartAudioDriver2NumPad22Click
        end
      end
    end
    object Mp3wavtools1: TMenuItem
      Caption = 'Mp&3/wav tools'
      object ConvertMp3toWav1: TMenuItem
        Caption = 'Convert Mp3 to Wav'
        OnClick = ConvertMp3toWav1Click
      end
      object ConvertWavtoMp31: TMenuItem
        Caption = 'Convert Wav to Mp3'
        OnClick = ConvertWavtoMp31Click
      end
      object Normalizewavefiles1: TMenuItem
        Caption = 'Normalize wave files'
        OnClick = Normalizewavefiles1Click
      end
      object SplittStereointo2monofiles1: TMenuItem
        Caption = 'Splitt Stereo into 2 mono files'
        OnClick = SplittStereointo2monofiles1Click
      end
      object Swapleftwithrigthchannel1: TMenuItem
        Caption = 'Swap left with rigth channel'
        OnClick = SwapClick
      end
    end
    object Printer1: TMenuItem
      Caption = '&Printer'
      object PrinterSetup1: TMenuItem
        Caption = 'Printer Setup'
        OnClick = PrinterDiablog1Click
      end
      object PrinterDiablog1: TMenuItem
        Caption = 'Print Spectrum Setup'
        OnClick = PrinterSetup1Click
      end
    end
    object Info1: TMenuItem
      Caption = '&Info'
      object HelpFile1: TMenuItem
        Caption = '&Help-File'
        OnClick = HelpFile1Click
      end
      object H1: TMenuItem
        Caption = 'Short Keys'
        OnClick = H1Click
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object ContacttoVantorel1: TMenuItem
        Caption = 'Contact to Vantorel'
        OnClick = Updatecheck1Click
      end
      object HomepageVantorel1: TMenuItem
        Caption = 'Homepage Vantorel'
        OnClick = HomepageVantorel1Click
      end
      object N2: TMenuItem
        Caption = '-'
      end
      object About1: TMenuItem
        Caption = 'About'
        ShortCut = 16449
        OnClick = About1Click
      end
    end
  end
  object pan_top: TPanel
    Left = 0
    Top = 0
    Width = 1024
    Height = 64
    BevelOuter = bvNone
    Align = alTop
    object os_l: TMMOscope
      Left = -1
      Top = -199
      Width = 200
      Height = 200
      Bevel.BevelOuter = bvNone
      Kind = okConLines
      Channel = chLeft
      Mode = mStereo
      BitLength = b16Bit
      SampleRate = 44100
    end
    object os_r: TMMOscope
      Left = -1
      Top = -199
      Width = 200
      Height = 200
      Bevel.BevelOuter = bvNone
      Kind = okConLines
      Channel = chRight
      Mode = mStereo
      BitLength = b16Bit
      SampleRate = 44100
    end
    object lab_peak_caption: TLabel
      Left = 8
      Top = 8
      Caption = 'Peak:'
    end
    object lab_frq: TLabel
      Left = 44
      Top = 8
      Caption = '    0.000'
      Cursor = crHandPoint
      OnClick = lab_frqClick
    end
    object Label6: TLabel
      Left = 8
      Top = 30
      Caption = 'Note:'
    end
    object lab_note: TLabel
      Left = 44
      Top = 30
      Caption = ''
    end
    object Image1: TImage
      Left = 300
      Top = 6
      Width = 100
      Height = 16
    end
    object Image4: TImage
      Left = 420
      Top = 6
      Width = 300
      Height = 40
    end
    object Lab_Min: TLabel
      Left = 331
      Top = 34
      Caption = '0.00'
      OnClick = lab_cor_pClick
    end
    object Lab_Max: TLabel
      Left = 366
      Top = 34
      Caption = '0.00'
      OnClick = lab_cor_pClick
    end
    object lab_cor_p2: TLabel
      Left = 338
      Top = 48
      Caption = '0%'
      OnClick = lab_cor_pClick
    end
    object lab_cor_p: TLabel
      Left = 373
      Top = 48
      Caption = '0%'
      OnClick = lab_cor_pClick
    end
    object pan_overOL: TPanel
      Left = 864
      Top = 0
      Width = 160
      Height = 64
      BevelOuter = bvNone
      object LEDLeft: TMMLED
        Left = 8
        Top = 6
        Width = 20
        Height = 12
        Enabled = False
      end
      object LEDRight: TMMLED
        Left = 132
        Top = 6
        Width = 20
        Height = 12
        Enabled = False
      end
      object Lab_l: TLabel
        Left = 8
        Top = 24
        Caption = '-99'
        Hint = 'Click to reset'
        ShowHint = True
        OnClick = Lab_lClick
      end
      object Lab_r: TLabel
        Left = 120
        Top = 24
        Caption = '-99'
        Hint = 'Click to reset'
        ShowHint = True
        OnClick = Lab_lClick
      end
      object lab_ppm_l: TLabel
        Left = 8
        Top = 44
        Caption = ''
        Visible = False
        OnClick = Lab_lClick
      end
      object lab_ppm_r: TLabel
        Left = 120
        Top = 44
        Caption = ''
        Visible = False
        OnClick = Lab_lClick
      end
    end
  end
  object pan_Level: TPanel
    Left = 864
    Top = 64
    Width = 160
    Height = 420
    BevelOuter = bvNone
    Align = alRight
    Color = clBlack
    object MMLevelScale1: TMMLevelScale
      Left = 4
      Top = 10
      Width = 24
      Height = 400
      Visible = False
      Kind = lkVertical
      ScaleTicks = 22
      Sensitivy = -72
    end
    object ima_nordic1: TImage
      Left = 4
      Top = 2
      Width = 40
      Height = 416
    end
    object MMLevel1: TMMLevel
      Left = 48
      Top = 11
      Width = 24
      Height = 400
      Kind = lkVertical
      SpotSpace = 0
      Bar1Color = clYellow
      Bar2Color = clYellow
      Bar3Color = clRed
      Inactive1Color = clBlack
      Inactive2Color = clBlack
      Inactive3Color = clBlack
      Point1 = 81
      Point2 = 82
      Sensitivy = -52
      PeakSpeed = 1
      DecayMode = dmStepUp
      Decay = 7
      Channel = chLeft
      OnGainOverflow = MMLevel1GainOverflow
      OnPcmOverflow = MMLevel1GainOverflow
    end
    object MMLevel5: TMMLevel
      Left = 76
      Top = 11
      Width = 24
      Height = 400
      Kind = lkVertical
      SpotSpace = 0
      Bar1Color = clWhite
      Bar2Color = clWhite
      Bar3Color = clWhite
      Inactive1Color = clBlack
      Inactive2Color = clBlack
      Inactive3Color = clBlack
      Point1 = 81
      Point2 = 82
      Sensitivy = -52
      PeakSpeed = 1
      DecayMode = dmStepUp
      Decay = 12
      Channel = chLeft
    end
    object MMLevel6: TMMLevel
      Left = 104
      Top = 11
      Width = 24
      Height = 400
      Kind = lkVertical
      SpotSpace = 0
      Bar1Color = clWhite
      Bar2Color = clWhite
      Bar3Color = clWhite
      Inactive1Color = clBlack
      Inactive2Color = clBlack
      Inactive3Color = clBlack
      Point1 = 81
      Point2 = 82
      Sensitivy = -52
      PeakSpeed = 1
      DecayMode = dmStepUp
      Decay = 12
      Channel = chRight
    end
    object MMLevel2: TMMLevel
      Left = 132
      Top = 11
      Width = 24
      Height = 400
      Kind = lkVertical
      SpotSpace = 0
      Bar1Color = clYellow
      Bar2Color = clYellow
      Bar3Color = clRed
      Inactive1Color = clBlack
      Inactive2Color = clBlack
      Inactive3Color = clBlack
      Point1 = 81
      Point2 = 82
      Sensitivy = -52
      PeakSpeed = 1
      DecayMode = dmStepUp
      Decay = 7
      Channel = chRight
      OnGainOverflow = MMLevel2GainOverflow
      OnPcmOverflow = MMLevel2GainOverflow
    end
  end
  object pan_menu2: TPanel
    Left = 0
    Top = 684
    Width = 1024
    Height = 36
    BevelOuter = bvNone
    Align = alBottom
    object pan_buttons: TPanel
      Left = 55
      Top = 0
      Width = 918
      Height = 36
      BevelOuter = bvNone
      object btn_full: TButton
        Left = 4
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Fullscreen'
        OnClick = btn_fullClick
      end
      object btn_average: TButton
        Left = 94
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Average'
        OnClick = btn_averageClick
      end
      object btn_Compare: TButton
        Left = 184
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Compare'
        OnClick = btn_CompareClick
      end
      object btn_Generator: TButton
        Left = 274
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Generator'
        OnClick = btn_GeneratorClick
      end
      object btn_PeakD: TButton
        Left = 364
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Peak Detector'
        OnClick = btn_PeakDClick
      end
      object btn_rec_Peaks: TButton
        Left = 454
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Records Peaks'
        OnClick = btn_rec_PeaksClick
      end
      object btn_wavPlayer: TButton
        Left = 544
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Wav Mp3 Player'
        OnClick = btn_wavPlayerClick
      end
      object btn_analyzer: TButton
        Left = 634
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Analyzer setup'
        OnClick = btn_analyzerClick
      end
      object Button25: TButton
        Left = 724
        Top = 4
        Width = 86
        Height = 24
        Caption = 'Run'
        OnClick = Button25Click
      end
      object btn_run: TButton
        Left = 814
        Top = 4
        Width = 96
        Height = 24
        Caption = 'VST Plugin On'
        OnClick = btn_runClick
      end
    end
  end
  object pan_main: TPanel
    Left = 0
    Top = 454
    Width = 1024
    Height = 230
    BevelOuter = bvNone
    Align = alBottom
    Visible = False
    object pan_analyzer: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object PanAna1: TMMPanelFill
        Left = 0
        Top = 0
        Width = 200
        Height = 226
        object CheckBox1: TCheckBox
          Left = 8
          Top = 8
          Width = 170
          Height = 17
          Tag = 5555
          Caption = 'Draw Amp Scale '
          Checked = True
          OnClick = CheckBox1Click
        end
        object CheckBox2: TCheckBox
          Left = 8
          Top = 28
          Width = 170
          Height = 17
          Tag = 5555
          Caption = 'Draw Freq Scale '
          Checked = True
          OnClick = CheckBox2Click
        end
        object CheckBox5: TCheckBox
          Left = 8
          Top = 48
          Width = 170
          Height = 17
          Tag = 5555
          Caption = 'Display Peak'
          Checked = True
          OnClick = CheckBox5Click
        end
        object CheckBox6: TCheckBox
          Left = 8
          Top = 68
          Width = 170
          Height = 17
          Tag = 5555
          Caption = 'Display Grid'
          Checked = True
          OnClick = CheckBox6Click
        end
        object ckbLeavePeak: TCheckBox
          Left = 8
          Top = 88
          Width = 170
          Height = 17
          Tag = 5555
          Caption = 'Peak hold'
          OnClick = ckbLeavePeakClick
        end
        object cb_flat: TCheckBox
          Left = 8
          Top = 108
          Width = 170
          Height = 17
          Tag = 5555
          Caption = '+ 3dB (for Music)'
          Hint = 'FFT Pink Noise Flat'
          ShowHint = True
          OnClick = cb_flatClick
        end
        object btn_freeze: TButton
          Left = 8
          Top = 140
          Width = 56
          Height = 24
          Caption = 'Freeze'
          OnClick = btn_freezeClick
        end
        object btn_jpg: TButton
          Left = 70
          Top = 140
          Width = 56
          Height = 24
          Caption = 'jpg'
          OnClick = btn_jpgClick
        end
        object btn_restart: TButton
          Left = 132
          Top = 140
          Width = 60
          Height = 24
          Caption = 'Restart'
          OnClick = btn_restartClick
        end
      end
      object PAnAna2: TMMPanelFill
        Left = 200
        Top = 0
        Width = 260
        Height = 226
        object Label_DisplayMode: TLabel
          Left = 8
          Top = 4
          Caption = 'Display Mode'
        end
        object MMSpinButton1: TMMSpinButton
          Left = 8
          Top = 20
          Width = 16
          Height = 24
          MinValue = 0
          MaxValue = 5
          Value = 3
          OnChange = MMSpinButton1Change
        end
        object LedLab1: TMMLEDLABEL
          Left = 28
          Top = 22
          Width = 96
          Height = 20
          Caption = 'BARS'
          NumChars = 9
        end
        object Label_AnalyzerMode: TLabel
          Left = 8
          Top = 52
          Caption = 'Analyzer Mode'
        end
        object MMSpinButton2: TMMSpinButton
          Left = 8
          Top = 68
          Width = 16
          Height = 24
          MinValue = 0
          MaxValue = 2
          Value = 0
          OnChange = MMSpinButton2Change
        end
        object LedLab: TMMLEDLABEL
          Left = 28
          Top = 70
          Width = 96
          Height = 20
          Caption = 'STEREO'
          NumChars = 9
        end
        object Label_AnalyzerWindow: TLabel
          Left = 8
          Top = 100
          Caption = 'Analyzer Window'
        end
        object MMSpinButton3: TMMSpinButton
          Left = 8
          Top = 116
          Width = 16
          Height = 24
          MinValue = 0
          MaxValue = 6
          Value = 4
          OnChange = MMSpinButton3Change
        end
        object LedLab2: TMMLEDLABEL
          Left = 28
          Top = 118
          Width = 96
          Height = 20
          Caption = 'GAUSSIAN'
          NumChars = 9
        end
        object Label_DecayMode: TLabel
          Left = 8
          Top = 148
          Caption = 'Decay Mode'
        end
        object MMSpinButton4: TMMSpinButton
          Left = 8
          Top = 164
          Width = 16
          Height = 24
          MinValue = 0
          MaxValue = 3
          Value = 1
          OnChange = MMSpinButton4Change
        end
        object LABDecay: TMMLEDLABEL
          Left = 28
          Top = 166
          Width = 96
          Height = 20
          Caption = 'STEP UP'
          NumChars = 9
        end
      end
      object PanAna3: TMMPanelFill
        Left = 460
        Top = 0
        Width = 220
        Height = 226
        object Label_PeakSpeed: TLabel
          Left = 8
          Top = 4
          Caption = 'Delay   Peak   Speed'
        end
        object MMLEDSpin3: TMMLEDSpin
          Left = 8
          Top = 20
          Width = 50
          Height = 24
          MinValue = 0
          MaxValue = 99
          Value = 20
          NumDigits = 2
          OnChange = MMLEDSpin3Change
        end
        object MMLEDSpin19: TMMLEDSpin
          Left = 80
          Top = 20
          Width = 50
          Height = 24
          MinValue = 0
          MaxValue = 50
          Value = 1
          NumDigits = 2
          OnChange = MMLEDSpin19Change
        end
        object Label_NumPeaks: TLabel
          Left = 8
          Top = 52
          Caption = 'Numbers of Peaks'
        end
        object sp_peaks: TMMLEDSpin
          Left = 8
          Top = 68
          Width = 37
          Height = 24
          MinValue = 0
          MaxValue = 3
          Value = 1
          NumDigits = 1
          OnChange = sp_peaksChange
        end
        object Label_SpecDecay: TLabel
          Left = 8
          Top = 100
          Caption = 'Spectrum Decay (speed)'
        end
        object spin_DecayA: TMMLEDSpin
          Left = 8
          Top = 116
          Width = 50
          Height = 24
          MinValue = 1
          MaxValue = 16
          Value = 7
          NumDigits = 2
          OnChange = spin_DecayAChange
        end
        object Label_LevelDecay: TLabel
          Left = 8
          Top = 148
          Caption = 'Level  Decay'
        end
        object MMLEDSpin2: TMMLEDSpin
          Left = 8
          Top = 164
          Width = 50
          Height = 24
          MinValue = 4
          MaxValue = 12
          Value = 7
          NumDigits = 2
          Hint = 'Only in the Digital PPM'
          ShowHint = True
          OnChange = MMLEDSpin2Change
        end
      end
      object pan_octave: TPanel
        Left = 680
        Top = 0
        Width = 160
        Height = 226
        BevelOuter = bvNone
        object rg_octave: TRadioGroup
          Left = 4
          Top = 2
          Width = 152
          Height = 150
          Caption = ''
          ItemIndex = 2
          Items.Strings = (
      '1/3 Octave'
      '1/6 Octave'
      '1/12 Octave'
      '1/24 Octave'
      'FFT> 2048 Bars'
      'FFT> 4096 Bars'
      'Zoom Frequencies')
          OnClick = rg_octaveClick
        end
        object rg_filter: TRadioGroup
          Left = 4
          Top = 154
          Width = 152
          Height = 40
          Caption = ''
          ItemIndex = 0
          Items.Strings = (
      'off'
      'dBA'
      'dBB'
      'dBC')
          Columns = 4
          Hint = 'dB (A) / dB (B) / dB (C)'
          ShowHint = True
        end
      end
      object pan_zoom: TPanel
        Left = 840
        Top = 0
        Width = 160
        Height = 226
        BevelOuter = bvNone
        object rg_zoom: TRadioGroup
          Left = 4
          Top = 2
          Width = 36
          Height = 120
          Caption = ''
          ItemIndex = 3
          Items.Strings = (
      '1'
      '2'
      '3'
      '4')
          OnClick = rg_zoomClick
        end
        object ne_start1: TMMNumberEdit
          Left = 44
          Top = 10
          Width = 52
          Height = 21
          MinValue = 1
          MaxValue = 20000
          Value = 20
        end
        object ne_start2: TMMNumberEdit
          Left = 44
          Top = 36
          Width = 52
          Height = 21
          MinValue = 1
          MaxValue = 20000
          Value = 500
        end
        object ne_start3: TMMNumberEdit
          Left = 44
          Top = 62
          Width = 52
          Height = 21
          MinValue = 1
          MaxValue = 20000
          Value = 900
        end
        object ne_start4: TMMNumberEdit
          Left = 44
          Top = 88
          Width = 52
          Height = 21
          MinValue = 1
          MaxValue = 20000
          Value = 10
        end
        object ne_end1: TMMNumberEdit
          Left = 100
          Top = 10
          Width = 52
          Height = 21
          MinValue = 100
          MaxValue = 24000
          Value = 500
        end
        object ne_end2: TMMNumberEdit
          Left = 100
          Top = 36
          Width = 52
          Height = 21
          MinValue = 100
          MaxValue = 24000
          Value = 1500
        end
        object ne_end3: TMMNumberEdit
          Left = 100
          Top = 62
          Width = 52
          Height = 21
          MinValue = 100
          MaxValue = 24000
          Value = 1100
        end
        object ne_end4: TMMNumberEdit
          Left = 100
          Top = 88
          Width = 52
          Height = 21
          MinValue = 100
          MaxValue = 24000
          Value = 24000
        end
      end
    end
    object PanAverage: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object rg_File: TRadioGroup
        Left = 4
        Top = 2
        Width = 100
        Height = 140
        Caption = 'Selected File'
        ItemIndex = 0
        Items.Strings = (
      'File 1'
      'File 2'
      'File 3'
      'File 4'
      'File 5'
      'File 6')
        OnClick = rg_FileClick
      end
      object rg_Show: TRadioGroup
        Left = 108
        Top = 2
        Width = 120
        Height = 60
        Caption = 'Show'
        ItemIndex = 1
        Items.Strings = (
      'Average'
      'Highest Amps')
        OnClick = rg_ShowClick
      end
      object rg_comp: TRadioGroup
        Left = 108
        Top = 66
        Width = 160
        Height = 76
        Caption = 'Compare Files'
        ItemIndex = 0
        Items.Strings = (
      'File 1 with File 4'
      'File 2 with File 5'
      'File 3 with File 6')
        OnClick = rg_compClick
        OnEnter = rg_compClick
      end
      object Gauge_avg: TMMGauge
        Left = 4
        Top = 150
        Width = 264
        Height = 18
        MinValue = 0
        MaxValue = 100
      end
      object Button14: TButton
        Left = 280
        Top = 2
        Width = 90
        Height = 22
        Caption = 'Load File 1'
        OnClick = Button14Click
      end
      object Button15: TButton
        Left = 280
        Top = 26
        Width = 90
        Height = 22
        Caption = 'Load File 2'
        OnClick = Button15Click
      end
      object Button16: TButton
        Left = 280
        Top = 50
        Width = 90
        Height = 22
        Caption = 'Load File 3'
        OnClick = Button16Click
      end
      object Button17: TButton
        Left = 280
        Top = 74
        Width = 90
        Height = 22
        Caption = 'Load File 4'
        OnClick = Button17Click
      end
      object Button18: TButton
        Left = 280
        Top = 98
        Width = 90
        Height = 22
        Caption = 'Load File 5'
        OnClick = Button18Click
      end
      object Button19: TButton
        Left = 280
        Top = 122
        Width = 90
        Height = 22
        Caption = 'Load File 6'
        OnClick = Button19Click
      end
      object cb_F1: TMMColorButton
        Left = 374
        Top = 2
        Width = 40
        Height = 22
        Value = clLime
        OnChange = cb_F1Change
      end
      object cb_F2: TMMColorButton
        Left = 374
        Top = 26
        Width = 40
        Height = 22
        Value = clRed
        OnChange = cb_F2Change
      end
      object cb_F3: TMMColorButton
        Left = 374
        Top = 50
        Width = 40
        Height = 22
        Value = clAqua
        OnChange = cb_F3Change
      end
      object cb_F4: TMMColorButton
        Left = 374
        Top = 74
        Width = 40
        Height = 22
        Value = 8388863
        OnChange = cb_F4Change
      end
      object cb_F5: TMMColorButton
        Left = 374
        Top = 98
        Width = 40
        Height = 22
        Value = clBlue
        OnChange = cb_F5Change
      end
      object cb_F6: TMMColorButton
        Left = 374
        Top = 122
        Width = 40
        Height = 22
        Value = clYellow
        OnChange = cb_F6Change
      end
      object Button11: TButton
        Left = 430
        Top = 2
        Width = 80
        Height = 24
        Caption = 'Create jpg'
        Hint = 'Colors are from File 1 and File 2 '
        ShowHint = True
        OnClick = Button11Click
      end
      object Button12: TButton
        Left = 430
        Top = 32
        Width = 80
        Height = 24
        Caption = 'Create jpg'
        Hint = 'Colors are from File 1 and File 2 '
        ShowHint = True
        OnClick = Button12Click
      end
      object Button13: TButton
        Left = 430
        Top = 62
        Width = 80
        Height = 24
        Caption = 'Create jpg'
        Hint = 'Colors are from File 1 and File 2 '
        ShowHint = True
        OnClick = Button13Click
      end
      object btn_txt: TButton
        Left = 514
        Top = 2
        Width = 80
        Height = 24
        Caption = 'Create XLS'
        OnClick = btn_txtClick
      end
      object btn_txt2: TButton
        Left = 514
        Top = 32
        Width = 80
        Height = 24
        Caption = 'Create XLS'
        OnClick = btn_txt2Click
      end
      object btn_txt3: TButton
        Left = 514
        Top = 62
        Width = 80
        Height = 24
        Caption = 'Create XLS'
        OnClick = btn_txt3Click
      end
      object Button22: TButton
        Left = 598
        Top = 2
        Width = 80
        Height = 24
        Caption = 'Create Eq'
        OnClick = Button22Click
      end
      object Button23: TButton
        Left = 598
        Top = 32
        Width = 80
        Height = 24
        Caption = 'Create Eq'
        OnClick = Button23Click
      end
      object Button24: TButton
        Left = 598
        Top = 62
        Width = 80
        Height = 24
        Caption = 'Create Eq'
        OnClick = Button24Click
      end
      object btn_pn: TButton
        Left = 700
        Top = 2
        Width = 110
        Height = 24
        Caption = 'File4 Pink Noise '
        OnClick = btn_pnClick
      end
      object btn_wn: TButton
        Left = 700
        Top = 32
        Width = 110
        Height = 24
        Caption = 'File5 White Noise'
        OnClick = btn_wnClick
      end
      object btn_swwep: TButton
        Left = 700
        Top = 62
        Width = 110
        Height = 24
        Caption = 'File6 Sweep'
        OnClick = btn_swwepClick
      end
    end
    object PanCali: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object CheckBox8: TCheckBox
        Left = 8
        Top = 180
        Width = 170
        Height = 17
        Caption = 'Analyzer shows  input'
        Checked = True
        Enabled = False
        Visible = False
        OnClick = CheckBox8Click
      end
      object Label_OutputLevel: TLabel
        Left = 8
        Top = 4
        Caption = 'Output Level'
      end
      object MMSpinButton7: TMMSpinButton
        Left = 8
        Top = 20
        Width = 16
        Height = 24
        MinValue = 0
        MaxValue = 16384
        Value = 8122
        Increment = 100
        OnChange = MMSpinButton7Change
      end
      object labDB2: TLabel
        Left = 30
        Top = 24
        Caption = '-6,00 db'
      end
      object btn_scomp: TButton
        Left = 8
        Top = 60
        Width = 100
        Height = 24
        Caption = 'Start Compare'
        OnClick = btn_scompClick
      end
      object Button21: TButton
        Left = 112
        Top = 60
        Width = 100
        Height = 24
        Caption = 'Stop Compare'
        OnClick = Button21Click
      end
      object mmLevel7: TMMLevel
        Left = 240
        Top = 4
        Width = 300
        Height = 20
        Point1 = 99
        Point2 = 99
        Sensitivy = -52
        DecayMode = dmStepUp
        Decay = 9
      end
      object mmLevel8: TMMLevel
        Left = 240
        Top = 30
        Width = 300
        Height = 20
        Point1 = 99
        Point2 = 99
        Sensitivy = -52
        DecayMode = dmStepUp
        Decay = 8
        PeakDelay = 30
        PeakSpeed = 30
        Mode = mStereo
      end
      object LabIn: TMMLEDLABEL
        Left = 550
        Top = 4
        Width = 76
        Height = 20
        Caption = '-99,00'
        NumChars = 7
      end
      object LabOut: TMMLEDLABEL
        Left = 550
        Top = 30
        Width = 76
        Height = 20
        Caption = '-99,00'
        NumChars = 7
      end
    end
    object PanGenerat: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object Label_Frequency: TLabel
        Left = 8
        Top = 4
        Caption = 'Frequency Hz'
      end
      object SpinFreq1: TMMLEDSpin
        Left = 8
        Top = 20
        Width = 102
        Height = 24
        MinValue = 1
        MaxValue = 22050
        Value = 1000
        NumDigits = 6
        Increment = 100
        OnChange = SpinFreq1Change
      end
      object RadioGroup2: TRadioGroup
        Left = 120
        Top = 2
        Width = 120
        Height = 100
        Caption = 'Increment + / -  '
        ItemIndex = 2
        Items.Strings = (
      '+/- 1'
      '+/- 10'
      '+/- 100'
      '+/- 1000')
        OnClick = RadioGroup2Click
      end
      object MMSpinButton5: TMMSpinButton
        Left = 250
        Top = 20
        Width = 16
        Height = 24
        MinValue = 0
        MaxValue = 5
        Value = 0
        OnChange = MMSpinButton5Change
      end
      object LEDWave1: TMMLEDLABEL
        Left = 270
        Top = 22
        Width = 126
        Height = 20
        Caption = 'SINE'
        NumChars = 12
      end
      object MMSpinButton6: TMMSpinButton
        Left = 250
        Top = 60
        Width = 16
        Height = 24
        MinValue = 0
        MaxValue = 2
        Value = 1
        OnChange = MMSpinButton6Change
      end
      object MMLED1: TMMLEDLABEL
        Left = 270
        Top = 62
        Width = 126
        Height = 20
        Caption = 'UP FLANK'
        NumChars = 12
      end
      object Label_Level: TLabel
        Left = 8
        Top = 60
        Caption = 'Level'
      end
      object spLevel: TMMSpinButton
        Left = 8
        Top = 76
        Width = 16
        Height = 24
        MinValue = 0
        MaxValue = 16384
        Value = 8122
        Increment = 100
        OnChange = spLevelChange
      end
      object labDB: TLabel
        Left = 30
        Top = 80
        Caption = '-6,00 dB'
      end
      object Button1: TButton
        Left = 8
        Top = 130
        Width = 80
        Height = 24
        Caption = 'Start'
        OnClick = Button1Click
      end
      object Button2: TButton
        Left = 92
        Top = 130
        Width = 80
        Height = 24
        Caption = 'Stop'
        OnClick = Button2Click
      end
      object MMOscope1: TMMOscope
        Left = 420
        Top = 2
        Width = 400
        Height = 220
        Kind = okConLines
        DrawMidLine = True
        DrawAmpScale = True
        DrawTimeScale = True
        DrawGrid = True
        FFTLength = 256
      end
    end
    object PanFFreq: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object freq1: TMMLEDSpin
        Left = 8
        Top = 4
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 1000
        NumDigits = 5
      end
      object DBDisp: TMMLEDLABEL
        Left = 90
        Top = 6
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin5: TMMLEDSpin
        Left = 8
        Top = 34
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 63
        NumDigits = 5
      end
      object MMLEDLABEL1: TMMLEDLABEL
        Left = 90
        Top = 36
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin6: TMMLEDSpin
        Left = 8
        Top = 64
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 80
        NumDigits = 5
      end
      object MMLEDLABEL2: TMMLEDLABEL
        Left = 90
        Top = 66
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin7: TMMLEDSpin
        Left = 8
        Top = 94
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 100
        NumDigits = 5
      end
      object MMLEDLABEL3: TMMLEDLABEL
        Left = 90
        Top = 96
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin8: TMMLEDSpin
        Left = 8
        Top = 124
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 250
        NumDigits = 5
      end
      object MMLEDLABEL4: TMMLEDLABEL
        Left = 90
        Top = 126
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin9: TMMLEDSpin
        Left = 8
        Top = 154
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 500
        NumDigits = 5
      end
      object MMLEDLABEL5: TMMLEDLABEL
        Left = 90
        Top = 156
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin10: TMMLEDSpin
        Left = 258
        Top = 4
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 1000
        NumDigits = 5
      end
      object MMLEDLABEL6: TMMLEDLABEL
        Left = 340
        Top = 6
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin11: TMMLEDSpin
        Left = 258
        Top = 34
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 1600
        NumDigits = 5
      end
      object MMLEDLABEL7: TMMLEDLABEL
        Left = 340
        Top = 36
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin12: TMMLEDSpin
        Left = 258
        Top = 64
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 2000
        NumDigits = 5
      end
      object MMLEDLABEL8: TMMLEDLABEL
        Left = 340
        Top = 66
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin13: TMMLEDSpin
        Left = 258
        Top = 94
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 4000
        NumDigits = 5
      end
      object MMLEDLABEL9: TMMLEDLABEL
        Left = 340
        Top = 96
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin14: TMMLEDSpin
        Left = 258
        Top = 124
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 6300
        NumDigits = 5
      end
      object MMLEDLABEL10: TMMLEDLABEL
        Left = 340
        Top = 126
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object MMLEDSpin15: TMMLEDSpin
        Left = 258
        Top = 154
        Width = 89
        Height = 24
        MinValue = 1
        MaxValue = 22049
        Value = 8000
        NumDigits = 5
      end
      object MMLEDLABEL11: TMMLEDLABEL
        Left = 340
        Top = 156
        Width = 76
        Height = 20
        Caption = '-99,99'
        NumChars = 7
      end
      object RadioGroup1: TRadioGroup
        Left = 760
        Top = 2
        Width = 110
        Height = 100
        Caption = 'Increment + / -  '
        ItemIndex = 2
        Items.Strings = (
      '+ 1'
      '+ 10'
      '+ 100'
      '+ 1000')
        OnClick = RadioGroup1Click
      end
      object Label_PeakInterval: TLabel
        Left = 760
        Top = 108
        Caption = 'Interval in ms'
      end
      object MMLEDSpin16: TMMLEDSpin
        Left = 760
        Top = 124
        Width = 76
        Height = 24
        MinValue = 1
        MaxValue = 2000
        Value = 500
        NumDigits = 4
        Increment = 100
        OnChange = MMLEDSpin16Change
      end
      object Button9: TButton
        Left = 880
        Top = 4
        Width = 80
        Height = 24
        Caption = 'Start'
        OnClick = Button9Click
      end
      object Button10: TButton
        Left = 880
        Top = 32
        Width = 80
        Height = 24
        Caption = 'Stop'
        OnClick = Button10Click
      end
      object MMLabel53: TMMLabel
        Left = 760
        Top = 160
        Width = 200
        Height = 20
        Caption = ''
      end
    end
    object PanData: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object Memo1: TMemo
        Left = 4
        Top = 2
        Width = 600
        Height = 220
        Color = clBlack
        Font.Color = clLime
        ReadOnly = True
        ScrollBars = ssVertical
        Hint = 'You can print the evaluation, the file is as Textformat.'
        ShowHint = True
      end
      object Label_RecInterval: TLabel
        Left = 616
        Top = 4
        Caption = 'Interval in ms'
      end
      object MMLEDSpin17: TMMLEDSpin
        Left = 616
        Top = 20
        Width = 76
        Height = 24
        MinValue = 8
        MaxValue = 5000
        Value = 500
        NumDigits = 4
        OnChange = MMLEDSpin17Change
      end
      object CheckBox9: TCheckBox
        Left = 616
        Top = 52
        Width = 170
        Height = 17
        Caption = 'sync to loop 1'
      end
      object CheckBox10: TCheckBox
        Left = 616
        Top = 72
        Width = 170
        Height = 17
        Caption = 'sync to loop 2'
      end
      object CheckBox11: TCheckBox
        Left = 616
        Top = 92
        Width = 170
        Height = 17
        Caption = 'sync to loop 3'
      end
      object Button3: TButton
        Left = 800
        Top = 2
        Width = 140
        Height = 24
        Caption = 'Stop'
        OnClick = Button3Click
      end
      object Button4: TButton
        Left = 800
        Top = 30
        Width = 140
        Height = 24
        Caption = 'Clear'
        OnClick = Button4Click
      end
      object Button5: TButton
        Left = 800
        Top = 58
        Width = 140
        Height = 24
        Caption = 'Save Data'
        OnClick = Button5Click
      end
      object Button6: TButton
        Left = 800
        Top = 86
        Width = 140
        Height = 24
        Caption = 'Load Data'
        OnClick = Button6Click
      end
      object Button7: TButton
        Left = 800
        Top = 114
        Width = 140
        Height = 24
        Caption = 'Record Peaks Data'
        OnClick = Button7Click
      end
      object Button8: TButton
        Left = 800
        Top = 142
        Width = 140
        Height = 24
        Caption = 'Rec Peak Detector Data'
        OnClick = Button8Click
      end
    end
    object PanPlayer: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
      object Panel3: TPanel
        Left = 4
        Top = 2
        Width = 560
        Height = 220
        BevelOuter = bvNone
        object btn_backward: TMMBitmapButton
          Left = 8
          Top = 8
          Width = 32
          Height = 28
          Hint = '10 % Rewind'
          ShowHint = True
          OnClick = btn_backwardClick
        end
        object btn_stop: TMMBitmapButton
          Left = 44
          Top = 8
          Width = 32
          Height = 28
          Hint = 'Stop'
          ShowHint = True
          OnClick = btn_stopClick
        end
        object bntRec: TMMBitmapButton
          Left = 80
          Top = 8
          Width = 32
          Height = 28
          Hint = 'Record the input'
          ShowHint = True
          OnClick = bntRecClick
        end
        object btn_play: TMMBitmapButton
          Left = 116
          Top = 8
          Width = 32
          Height = 28
          Hint = 'Play'
          ShowHint = True
          OnClick = btn_playClick
        end
        object btn_pause: TMMBitmapButton
          Left = 152
          Top = 8
          Width = 32
          Height = 28
          Hint = 'Pause'
          ShowHint = True
          OnClick = btn_pauseClick
        end
        object btn_forward: TMMBitmapButton
          Left = 188
          Top = 8
          Width = 32
          Height = 28
          Hint = '10 % Forward'
          ShowHint = True
          OnClick = btn_forwardClick
        end
        object btn_eject: TMMBitmapButton
          Left = 224
          Top = 8
          Width = 32
          Height = 28
          Hint = 'Select .wav'
          ShowHint = True
          OnClick = btn_ejectClick
        end
        object bntloop1: TMMBitmapButton
          Left = 8
          Top = 48
          Width = 32
          Height = 28
          Hint = 'Play Loop from start x sec. to End time x sec.'
          ShowHint = True
          OnClick = bntloopClick
        end
        object edts1: TMMNumberEdit
          Left = 44
          Top = 52
          Width = 52
          Height = 21
          MinValue = 0
          MaxValue = 100000000
          Value = 0
        end
        object edte1: TMMNumberEdit
          Left = 100
          Top = 52
          Width = 52
          Height = 21
          MinValue = 0
          MaxValue = 100000000
          Value = 0
        end
        object bntloop2: TMMBitmapButton
          Left = 8
          Top = 80
          Width = 32
          Height = 28
          Hint = 'Play Loop from start x sec. to End time x sec.'
          ShowHint = True
          OnClick = bntloopClick
        end
        object edtS2: TMMNumberEdit
          Left = 44
          Top = 84
          Width = 52
          Height = 21
          MinValue = 0
          MaxValue = 100000000
          Value = 0
        end
        object edte2: TMMNumberEdit
          Left = 100
          Top = 84
          Width = 52
          Height = 21
          MinValue = 0
          MaxValue = 100000000
          Value = 0
        end
        object bntloop3: TMMBitmapButton
          Left = 8
          Top = 112
          Width = 32
          Height = 28
          Hint = 'Play Loop from start x sec. to End time x sec.'
          ShowHint = True
          OnClick = bntloopClick
        end
        object edts3: TMMNumberEdit
          Left = 44
          Top = 116
          Width = 52
          Height = 21
          MinValue = 0
          MaxValue = 100000000
          Value = 0
        end
        object edte3: TMMNumberEdit
          Left = 100
          Top = 116
          Width = 52
          Height = 21
          MinValue = 0
          MaxValue = 100000000
          Value = 0
        end
        object TrackBar: TMMSlider
          Left = 8
          Top = 150
          Width = 540
          Height = 24
          Enabled = False
          MaxValue = 100
          OnChange = TrackBarChange
          OnTrack = TrackBarTrack
          OnTrackEnd = TrackBarTrackEnd
        end
        object LabFile: TLabel
          Left = 8
          Top = 180
          Caption = 'No Mp3 / Wav File selected'
          Font.Color = clWhite
        end
        object labRec: TLabel
          Left = 8
          Top = 198
          Caption = 'No record File selected'
          Font.Color = clWhite
        end
        object MMLEDPanel6: TMMLEDPanel
          Left = 270
          Top = 8
          Width = 70
          Height = 24
          MinValue = 0
          MaxValue = 100000
          NumDigits = 6
        end
        object Label_Hz: TLabel
          Left = 344
          Top = 14
          Caption = 'Hz'
          Font.Color = clWhite
        end
        object MMLEDPanel7: TMMLEDPanel
          Left = 270
          Top = 36
          Width = 40
          Height = 24
          MinValue = 0
          MaxValue = 16
          NumDigits = 2
        end
        object Label_Bit: TLabel
          Left = 314
          Top = 42
          Caption = 'Bit'
          Font.Color = clWhite
        end
        object MMLEDPanel1: TMMLEDPanel
          Left = 370
          Top = 8
          Width = 70
          Height = 24
          MinValue = 0
          MaxValue = 99999
          NumDigits = 5
        end
        object Label_kb: TLabel
          Left = 444
          Top = 14
          Caption = 'kb'
          Font.Color = clWhite
        end
        object mpkbit: TMMLEDPanel
          Left = 370
          Top = 36
          Width = 50
          Height = 24
          MinValue = 0
          MaxValue = 1024
          NumDigits = 4
        end
        object Label_kbit: TLabel
          Left = 424
          Top = 42
          Caption = 'KBit/s'
          Font.Color = clWhite
        end
        object MMLEDMode2: TMMLEDMode
          Left = 470
          Top = 8
          Width = 60
          Height = 20
        end
        object lblLayer: TLabel
          Left = 470
          Top = 36
          Caption = 'Layer'
          Font.Color = clWhite
          Visible = False
        end
        object lblLayer2: TLabel
          Left = 504
          Top = 36
          Caption = 'III'
          Visible = False
          Font.Color = clWhite
        end
        object Label_Time: TLabel
          Left = 270
          Top = 70
          Caption = 'Time :'
          Font.Color = clWhite
        end
        object Label10: TLabel
          Left = 320
          Top = 70
          Caption = '00:00.000'
          Font.Color = clWhite
        end
        object Label_Remain: TLabel
          Left = 270
          Top = 90
          Caption = 'Remain :'
          Font.Color = clWhite
        end
        object labLeft: TLabel
          Left = 320
          Top = 90
          Caption = '00:00.000'
          Font.Color = clWhite
        end
      end
      object MMLevel3: TMMLevel
        Left = 580
        Top = 20
        Width = 400
        Height = 20
        Point1 = 80
        Point2 = 81
        DecayMode = dmStepUp
        Decay = 9
        Channel = chLeft
      end
      object MMLevel4: TMMLevel
        Left = 580
        Top = 50
        Width = 400
        Height = 20
        Point1 = 80
        Point2 = 81
        DecayMode = dmStepUp
        Decay = 9
        Channel = chRight
      end
    end
    object PanTrigger: TPanel
      Left = 12
      Top = 2
      Width = 1000
      Height = 226
      BevelOuter = bvNone
      Visible = False
    end
  end
  object MMSpectrum1: TMMSpectrum
    Left = 0
    Top = 64
    Width = 864
    Height = 620
    DrawFreqScale = True
    DrawAmpScale = True
    DrawGrid = True
    SpotSpace = 0
    Bar1Color = clYellow
    Bar2Color = 8453888
    Point1 = 85
    Point2 = 86
    DrawInactive = False
    Mode = mStereo
    BitLength = b16Bit
    SampleRate = 44100
    FFTLength = 2048
    LogFreq = True
    LogAmp = True
    Window = fwWelch
    DecayMode = dmStepUp
    Decay = 7
    VerticalScale = 7
    PeakSpeed = 1
    DisplayPeak = True
  end
  object wavRecorder: TMMWaveRecorder
    Wave.TimeFormat = tfMillisecond
    Wave.FileMustExist = False
    BufferSize = 8192
    NumBuffers = 4
    DeviceID = MapperId
    TimeFormat = tfMillisecond
    MaxRecordTime = -1
    Mode = mStereo
    BitLength = b16Bit
    SampleRate = 44100
  end
  object MMWaveOpenDialog1: TMMWaveOpenDialog
    Filter = 'All Audio Files (*.wav;*.mp?;*.atx)|*.wav;*.mp2;*.mp3;*.atx|Wave Files (*.wav)|*.wav|MPEG Audio Files (*.mp?)|*.mp2;*.mp3;|Antex MPEG Files (*.atx)|*.atx'
  end
  object recWavDlg: TMMWaveSaveDialog
    Filter = 'Wave-Files(*.wav)|*.wav'
    Title = 'Save Wave File'
    Options = [ofHideReadOnly, ofNoNetworkButton]
  end
  object waveplayer: TMMAudioFile
    Output = MMWaveOut1
    MpegTrailingHeader = 0
  end
  object mp3file: TMMMPEGFile
    TrailingHeader = 0
  end
  object SkinData1: TSkinData
    Active = True
    DisableTag = 99
    Skin3rd.Strings = (
      'TMMLEDPanel=nil'
      'TMMPanelFill=nil')
    Options = [xoPreview, xoToolbarBK]
    SkinFormtype = sfMainform
    MenuUpdate = True
    MenuMerge = False
    SkinStream = {@file:skins/default.skn}
  end
end
