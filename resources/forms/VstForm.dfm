object fVst: TfVst
  Left = 260
  Top = 120
  Width = 376
  Height = 441
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'VST Plugin Information'
  Color = clBtnFace
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  object Label1: TLabel
    Left = 12
    Top = 10
    Width = 340
    Height = 20
    AutoSize = False
    Caption = 'The stereo tool plug-in is not installed'
    Font.Name = 'Arial'
    Font.Style = [fsBold]
    Font.Size = 10
  end
  object Memo1: TMemo
    Left = 12
    Top = 38
    Width = 340
    Height = 320
    Color = clWhite
    ReadOnly = True
    ScrollBars = ssVertical
    TabOrder = 0
    Lines.Strings = (
      'The analyser can pass the sound through a VST stereo tool'
      'plug-in before it measures it: a stereo width, balance and'
      'phase tool run by a VST plug-in host.'
      ''
      'The suggested stereo tool plug-in and its host are not'
      'installed for this user, so the button "VST Plugin On"'
      'has nothing to load.'
      ''
      'To install it:'
      '1. Install the VST plug-in host and the stereo tool plug-in'
      '   for your user as their own instructions say.'
      '2. Start the host once, so that it records its settings,'
      '   and choose the stereo tool plug-in in it.'
      '3. Start the analyser again.'
      ''
      'To load it:'
      '1. Press "VST Plugin On" on the main window: the host''s'
      '   window opens with the plug-in and the sound passes'
      '   through it.'
      '2. Press "VST Plugin Off" to take the plug-in out of the'
      '   measurement again.'
      ''
      'The help page (menu Info, "Help-File") says more.')
  end
  object Button2: TButton
    Left = 272
    Top = 372
    Width = 80
    Height = 25
    Caption = 'Close'
    TabOrder = 1
    OnClick = Button2Click
  end
end
