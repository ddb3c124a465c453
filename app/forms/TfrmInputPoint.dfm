object frmInputPoint: TfrmInputPoint
  BorderStyle = bsDialog
  ClientHeight = 138
  ClientWidth = 289
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Height = -12
  Font.Name = 'WenQuanYi Micro Hei'
  Position = poMainFormCenter
  object VtLabel1: TVtLabel
    Left = 16
    Top = 22
    Width = 90
    Caption = ''
  end
  object VtLabel2: TVtLabel
    Left = 16
    Top = 56
    Width = 90
    Caption = ''
  end
  object VtNumericEdit1: TVtNumericEdit
    Left = 110
    Top = 18
    Width = 160
    Height = 22
    IntegersOnly = False
    DisplayFormat = ',0.00000;(,0.00000)'
  end
  object VtNumericEdit2: TVtNumericEdit
    Left = 110
    Top = 52
    Width = 160
    Height = 22
    IntegersOnly = False
    DisplayFormat = ',0.00000;(,0.00000)'
  end
  object VtBitBtn1: TVtBitBtn
    Left = 56
    Top = 96
    Width = 75
    Height = 26
    HotTrack = True
    Caption = '确定'
    Kind = bkOK
  end
  object VtBitBtn2: TVtBitBtn
    Left = 156
    Top = 96
    Width = 75
    Height = 26
    HotTrack = True
    Caption = '取消'
    Kind = bkCancel
  end
end
