object frmPreview: TfrmPreview
  Left = 0
  Top = 0
  Width = 800
  Height = 600
  Caption = '预览'
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Height = -12
  Font.Name = 'WenQuanYi Micro Hei'
  Position = poMainFormCenter
  WindowState = wsMaximized
  object VtToolbar1: TVtToolbar
    Left = 0
    Top = 0
    Width = 800
    Height = 44
    Align = alTop
    ButtonHeight = 40
    ButtonLayout = blGlyphTop
    ButtonWidth = 50
    Images = ImageList1
    RowHeight = 40
    ShowButtonCaptions = True
    object BtnOpen: TVtToolButton
      Left = 2
      Top = 2
      Width = 56
      Height = 40
      UseToolbarButtonSize = False
      Caption = '增加图层'
      Hint = '增加图层'
      ImageIndex = 0
      OnClick = BtnOpenClick
    end
    object VtSpacer2: TVtSpacer
      Left = 58
      Top = 2
      Width = 8
      Height = 40
      Grooved = True
    end
    object BtnInternet: TVtToolButton
      Left = 66
      Top = 2
      Width = 50
      Height = 40
      Caption = '全图'
      Hint = '全图'
      ImageIndex = 1
      OnClick = BtnInternetClick
    end
    object BtnZoomIn: TVtToolButton
      Left = 116
      Top = 2
      Width = 50
      Height = 40
      Caption = '放大'
      Hint = '放大'
      GroupIndex = 1
      ImageIndex = 2
      OnClick = BtnZoomInClick
    end
    object BtnZoomOut: TVtToolButton
      Left = 166
      Top = 2
      Width = 50
      Height = 40
      Caption = '缩小'
      Hint = '缩小'
      GroupIndex = 1
      ImageIndex = 3
      OnClick = BtnZoomOutClick
    end
    object VtToolButton1: TVtToolButton
      Left = 216
      Top = 2
      Width = 50
      Height = 40
      Caption = '平移'
      Hint = '平移'
      GroupIndex = 1
      ImageIndex = 4
      OnClick = VtToolButton1Click
    end
    object BtnInformation: TVtToolButton
      Left = 266
      Top = 2
      Width = 56
      Height = 40
      UseToolbarButtonSize = False
      Caption = '图幅信息'
      Hint = '信息'
      GroupIndex = 1
      Down = True
      ImageIndex = 5
      OnClick = BtnInformationClick
    end
    object VtToolButton2: TVtToolButton
      Left = 322
      Top = 2
      Width = 50
      Height = 40
      Caption = '查找'
      Hint = '查找'
      ImageIndex = 6
      OnClick = VtToolButton2Click
    end
    object BtnDelete: TVtToolButton
      Left = 372
      Top = 2
      Width = 56
      Height = 40
      UseToolbarButtonSize = False
      Caption = '清除图层'
      Hint = '清除所有图层'
      ImageIndex = 7
      OnClick = BtnDeleteClick
    end
    object VtSpacer1: TVtSpacer
      Left = 428
      Top = 2
      Width = 8
      Height = 40
      Grooved = True
    end
    object BtnExit: TVtToolButton
      Left = 436
      Top = 2
      Width = 50
      Height = 40
      Caption = '返回'
      Hint = '返回'
      ImageIndex = 8
      OnClick = BtnExitClick
    end
  end
  object VtStatusBar1: TVtStatusBar
    Left = 0
    Top = 581
    Width = 800
    Height = 19
    Align = alBottom
    object VtStatusPane1: TVtStatusPane
      Left = 0
      Top = 0
      Width = 26
      Height = 19
      Caption = 'X'
    end
    object VtStatusPane2: TVtStatusPane
      Left = 26
      Top = 0
      Width = 110
      Height = 19
    end
    object VtStatusPane3: TVtStatusPane
      Left = 136
      Top = 0
      Width = 20
      Height = 19
      Caption = 'Y'
    end
    object VtStatusPane4: TVtStatusPane
      Left = 156
      Top = 0
      Width = 110
      Height = 19
    end
    object VtStatusPane6: TVtStatusPane
      Left = 266
      Top = 0
      Width = 128
      Height = 19
    end
    object VtStatusPane5: TVtStatusPane
      Left = 394
      Top = 0
      Width = 184
      Height = 19
    end
  end
  object GIS_ViewerWnd1: TGIS_ViewerWnd
    Left = 0
    Top = 44
    Width = 800
    Height = 537
    Align = alClient
    Cursor = 16
    CachedPaint = True
    IncrementalPaint = True
    FullPaint = True
    Editor.ShowFast = True
    CodePage = 936
    OutCodePage = 936
    CharSet = 1
    Mode = gisSelect
    AutoCenter = False
    OnMouseMove = GIS_ViewerWnd1MouseMove
    OnMouseUp = GIS_ViewerWnd1MouseUp
  end
  object ImageList1: TImageList
    Width = 20
    Height = 20
  end
  object OpenDialog1: TOpenDialog
    Filter = 'Shape File(*.shp)|*.shp|MapInfo(*.tab)|*.tab|MapInfo 交换格式(*.mif)|*.mif'
    Options = [ofAllowMultiSelect, ofHideReadOnly, ofEnableSizing]
  end
end
