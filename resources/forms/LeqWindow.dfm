object fSetting: TfSetting
  Left = 300
  Top = 120
  BorderStyle = bsSingle
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'LEQ (m) calculator'
  ClientHeight = 420
  ClientWidth = 460
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  object PageControl1: TPageControl
    Left = 0
    Top = 0
    Width = 460
    Height = 420
    ActivePage = TabSheet1
    TabOrder = 0
    object TabSheet1: TTabSheet
      Left = 4
      Top = 24
      Width = 452
      Height = 392
      Caption = 'LEQ (m)'
      object Label_Reference: TLabel
        Left = 8
        Top = 8
        Width = 200
        Height = 13
        Caption = 'Reference Time in secounds'
      end
      object Label_Leq: TLabel
        Left = 8
        Top = 32
        Width = 90
        Height = 16
        Caption = 'LEQ (m) : '
      end
      object lab_LEQ_60: TLabel
        Left = 110
        Top = 32
        Width = 100
        Height = 16
        Caption = '0.0 dB'
        Font.Style = [fsBold]
      end
      object Label_Sec: TLabel
        Left = 8
        Top = 56
        Width = 90
        Height = 16
        Caption = 'SEC : '
      end
      object lab_sec: TLabel
        Left = 110
        Top = 56
        Width = 100
        Height = 16
        Caption = '0 sec'
        Font.Style = [fsBold]
      end
      object Label_LeqNow: TLabel
        Left = 8
        Top = 80
        Width = 100
        Height = 16
        Caption = 'LEQ now 1sec : '
      end
      object lab_leq_now: TLabel
        Left = 110
        Top = 80
        Width = 100
        Height = 16
        Caption = '0.0 dB'
        Font.Style = [fsBold]
      end
      object bt_start_leq: TButton
        Left = 8
        Top = 108
        Width = 80
        Height = 25
        Caption = 'Start'
        TabOrder = 0
        OnClick = bt_start_leqClick
      end
      object btn_stop_leq: TButton
        Left = 96
        Top = 108
        Width = 80
        Height = 25
        Caption = 'Stop'
        TabOrder = 1
        OnClick = btn_stop_leqClick
      end
      object btn_write: TButton
        Left = 184
        Top = 108
        Width = 96
        Height = 25
        Caption = 'Write CSV File'
        Hint = 'Create Excel file'
        ShowHint = True
        TabOrder = 2
        OnClick = btn_writeClick
      end
      object btn_report: TButton
        Left = 288
        Top = 108
        Width = 76
        Height = 25
        Caption = 'Report info'
        TabOrder = 3
        OnClick = btn_reportClick
      end
      object btn_save: TButton
        Left = 368
        Top = 108
        Width = 76
        Height = 25
        Caption = 'Save as File'
        TabOrder = 4
        OnClick = btn_saveClick
      end
      object rg_filter: TRadioGroup
        Left = 232
        Top = 4
        Width = 212
        Height = 96
        Caption = 'LEQ(m) Weighting filters   '
        ItemIndex = 0
        Items.Strings = (
          'Linear'
          'dBA'
          'dBB'
          'dBC')
        TabOrder = 5
        OnClick = rg_filterClick
      end
      object memo_leq: TMemo
        Left = 8
        Top = 142
        Width = 436
        Height = 242
        ScrollBars = ssVertical
        TabOrder = 6
      end
    end
  end
  object Timer_LEQ: TTimer
    Enabled = False
    Interval = 1000
    OnTimer = Timer_LEQTimer
  end
end
