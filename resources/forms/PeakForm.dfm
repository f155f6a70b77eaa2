object fPeak: TfPeak
  Left = 0
  Top = 0
  Width = 531
  Height = 200
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'Max Peak Frequency'
  Color = clBlack
  FormStyle = fsStayOnTop
  Position = poDesigned
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnResize = FormResize
  OnShow = FormShow
  object Label1: TLabel
    Left = 0
    Top = 0
    Width = 531
    Height = 110
    Align = alTop
    Alignment = taCenter
    AutoSize = False
    Caption = '24000,000'
    Font.Name = 'Arial'
    Font.Style = [fsBold]
    Font.Color = 3801043
    Font.Size = 72
    Transparent = True
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 1000
    OnTimer = Timer1Timer
  end
end
