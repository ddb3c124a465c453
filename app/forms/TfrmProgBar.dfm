object frmProgBar: TfrmProgBar
  BorderStyle = bsSingle
  BorderIcons = []
  Caption = '导出图幅'
  ClientHeight = 97
  ClientWidth = 414
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Height = -12
  Font.Name = '宋体'
  FormStyle = fsStayOnTop
  Position = poMainFormCenter
  object VtProgressBar1: TVtProgressBar
    Left = 17
    Top = 20
    Width = 385
    Height = 24
    BackColor = clBtnFace
    BarColor = clBlue
    BorderWidth = 1
    Font.Charset = GB2312_CHARSET
    Font.Color = clBlue
    Font.Height = -12
    Font.Name = '宋体'
    ParentFont = False
  end
  object VtBitBtn1: TVtBitBtn
    Left = 172
    Top = 60
    Width = 75
    Height = 26
    HotTrack = True
    Cancel = True
    Caption = '完成'
    OnClick = VtBitBtn1Click
  end
end
