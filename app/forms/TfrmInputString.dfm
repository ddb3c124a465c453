object frmInputString: TfrmInputString
  BorderStyle = bsDialog
  ClientHeight = 125
  ClientWidth = 292
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Height = -12
  Font.Name = 'WenQuanYi Micro Hei'
  Position = poMainFormCenter
  object VtLabel1: TVtLabel
    Left = 40
    Top = 20
    Width = 209
    Caption = ''
  end
  object VtEdit1: TVtEdit
    Left = 40
    Top = 44
    Width = 209
    Height = 22
  end
  object VtBitBtn1: TVtBitBtn
    Left = 60
    Top = 84
    Width = 75
    Height = 26
    HotTrack = True
    Caption = '确定'
    Kind = bkOK
  end
  object VtBitBtn2: TVtBitBtn
    Left = 156
    Top = 84
    Width = 75
    Height = 26
    HotTrack = True
    Caption = '取消'
    Kind = bkCancel
  end
end
