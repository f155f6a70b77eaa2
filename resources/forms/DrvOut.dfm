object fDrvOut: TfDrvOut
  Left = 200
  Top = 160
  BorderStyle = bsDialog
  Caption = 'Output Preferences'
  ClientHeight = 210
  ClientWidth = 360
  Color = clBtnFace
  Position = poScreenCenter
  OnShow = FormShow
  object GroupBox1: TGroupBox
    Left = 8
    Top = 8
    Width = 344
    Height = 72
    Caption = ' Playback Device '
    object Label1: TLabel
      Left = 10
      Top = 20
      Width = 320
      Height = 16
      Caption = 'Select audio device to use for playback '
    end
    object PlayCombo: TComboBox
      Left = 10
      Top = 40
      Width = 320
      Height = 22
      Style = csDropDownList
    end
  end
  object GroupBox2: TGroupBox
    Left = 8
    Top = 86
    Width = 344
    Height = 84
    Caption = ' Playback Callback '
    object Label2: TLabel
      Left = 10
      Top = 18
      Width = 320
      Height = 16
      Caption = 'Select the callback method to be used'
    end
    object radioWindow: TRadioButton
      Left = 10
      Top = 38
      Width = 90
      Height = 18
      Caption = 'Window'
    end
    object radioThread: TRadioButton
      Left = 110
      Top = 38
      Width = 90
      Height = 18
      Caption = 'Thread'
    end
    object radioInterrupt: TRadioButton
      Left = 210
      Top = 38
      Width = 100
      Height = 18
      Caption = 'Interrupt'
    end
    object Label3: TLabel
      Left = 10
      Top = 60
      Width = 320
      Height = 16
      Caption = 'Changing this may improve stability of playback'
    end
  end
  object btnOk: TButton
    Left = 192
    Top = 176
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    OnClick = btnOkClick
  end
  object btnCancel: TButton
    Left = 276
    Top = 176
    Width = 75
    Height = 25
    Caption = 'Cancel'
    OnClick = btnCancelClick
  end
end
