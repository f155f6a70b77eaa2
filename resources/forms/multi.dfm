object fmulti: Tfmulti
  Left = 200
  Top = 160
  BorderStyle = bsDialog
  Caption = 'Multi Mode Input Setup'
  ClientHeight = 344
  ClientWidth = 360
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  OnShow = FormShow
  object GroupBox1: TGroupBox
    Left = 8
    Top = 8
    Width = 344
    Height = 72
    Caption = ' Input Device 1&&2 '
    object Label1: TLabel
      Left = 10
      Top = 20
      Width = 320
      Height = 16
      Caption = 'Select audio device to use for input '
    end
    object cb_1: TComboBox
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
    Height = 72
    Caption = ' Input Device 3&&4 '
    object Label2: TLabel
      Left = 10
      Top = 20
      Width = 320
      Height = 16
      Caption = 'Select audio device to use for input '
    end
    object cb_2: TComboBox
      Left = 10
      Top = 40
      Width = 320
      Height = 22
      Style = csDropDownList
    end
  end
  object GroupBox3: TGroupBox
    Left = 8
    Top = 164
    Width = 344
    Height = 72
    Caption = ' Input Device 5&&6 '
    object Label3: TLabel
      Left = 10
      Top = 20
      Width = 320
      Height = 16
      Caption = 'Select audio device to use for input '
    end
    object cb_3: TComboBox
      Left = 10
      Top = 40
      Width = 320
      Height = 22
      Style = csDropDownList
    end
  end
  object GroupBox4: TGroupBox
    Left = 8
    Top = 242
    Width = 344
    Height = 72
    Caption = ' Input Device 7&&8 '
    object Label4: TLabel
      Left = 10
      Top = 20
      Width = 320
      Height = 16
      Caption = 'Select audio device to use for input '
    end
    object cb_4: TComboBox
      Left = 10
      Top = 40
      Width = 320
      Height = 22
      Style = csDropDownList
    end
  end
  object btnOk: TButton
    Left = 192
    Top = 316
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    OnClick = btnOkClick
  end
  object btnCancel: TButton
    Left = 276
    Top = 316
    Width = 75
    Height = 25
    Caption = 'Cancel'
    OnClick = btnCancelClick
  end
end
