object frmStdCtrlsTest: TfrmStdCtrlsTest
  Left = 0
  Top = 0
  BorderStyle = bsSingle
  Caption = '控件测试'
  ClientHeight = 300
  ClientWidth = 420
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'WenQuanYi Micro Hei'
  Position = poScreenCenter
  OnCreate = FormCreate
  object Panel1: TVtPanel
    Left = 0
    Top = 0
    Width = 420
    Height = 40
    Align = alTop
    object Label1: TLabel
      Left = 8
      Top = 12
      Caption = '名称'
    end
    object Edit1: TVtEdit
      Left = 48
      Top = 8
      Width = 120
      Height = 22
      Text = 'abc'
      FrameFlat = True
      OnChange = Edit1Change
    end
    object Panel2: TVtPanel
      Left = 180
      Top = 4
      Width = 236
      Height = 32
      BevelOuter = bvLowered
      Caption = '内层面板'
      object VtToolbarButton1: TVtToolbarButton
        Left = 4
        Top = 4
        Width = 40
        Height = 24
        Caption = '删除'
        GroupIndex = 1
        Hint = '删除图幅'
        OnClick = ToolClick
      end
      object VtToolbarButton2: TVtToolbarButton
        Left = 46
        Top = 4
        Width = 40
        Height = 24
        Caption = '信息'
        GroupIndex = 1
        Down = True
      end
    end
  end
  object VtPageControl1: TPageControl
    Left = 4
    Top = 44
    Width = 412
    Height = 206
    ActivePage = TabSheet1
    OnChange = PageChange
    object TabSheet1: TTabSheet
      Caption = '北京54坐标系'
      PageControl = VtPageControl1
      object VtCheckList1: TVtCheckList
        Left = 4
        Top = 4
        Width = 180
        Height = 150
        ItemHeight = 18
        PopupMenu = PopupMenu3
        Items.Strings = (
          'J50E001001'
          '//第一组'
          'J50E001002')
        ItemState = (
          1
          0
          0)
        ItemEnabled = (
          True
          True
          True)
        OnDrawItem = ListDrawItem
      end
      object VtGroupBox1: TVtGroupBox
        Left = 190
        Top = 0
        Width = 206
        Height = 64
        Caption = '编号标准'
        object VtRadioButton1: TVtRadioButton
          Left = 8
          Top = 18
          Width = 190
          Height = 17
          Caption = '按新图幅号标准编号'
          Checked = True
          OnClick = RadioClick
        end
        object VtRadioButton2: TVtRadioButton
          Left = 8
          Top = 40
          Width = 190
          Height = 17
          Caption = '按旧图幅号标准编号'
          OnClick = RadioClick
        end
      end
      object VtComboBox1: TVtComboBox
        Left = 190
        Top = 70
        Width = 120
        Height = 21
        Style = csDropDownList
        Items.Strings = (
          '3度分带法'
          '6度分带法')
        ItemIndex = 0
        OnChange = ComboChange
      end
      object VtSpinEdit1: TVtSpinEdit
        Left = 190
        Top = 98
        Width = 60
        Height = 21
        Value = 116
        Max = 180
        AllowKeyEdit = True
        FlatButtonParentColor = False
        OnChange = SpinChange
      end
      object VtNumericEdit1: TVtNumericEdit
        Left = 256
        Top = 98
        Width = 100
        Height = 21
        Value = -1234567
      end
      object VtCheckBox1: TVtCheckBox
        Left = 190
        Top = 126
        Width = 150
        Height = 17
        Caption = '省略坐标大数'
      end
    end
    object TabSheet2: TTabSheet
      Caption = '西安80坐标系'
      PageControl = VtPageControl1
    end
  end
  object VtBitBtn1: TVtBitBtn
    Left = 8
    Top = 256
    Width = 90
    Height = 24
    Caption = '生成图幅号'
    OnClick = GenerateClick
  end
  object VtMenuButton1: TVtMenuButton
    Left = 104
    Top = 256
    Width = 80
    Height = 24
    Caption = '导出'
    DropDownMenu = PopupMenu1
  end
  object VtStatusBar1: TVtStatusBar
    Left = 0
    Top = 282
    Width = 420
    Height = 18
    Align = alBottom
    object VtStatusPane1: TVtStatusPane
      Left = 2
      Top = 1
      Width = 200
      Height = 16
      Caption = '就绪'
    end
  end
  object PopupMenu1: TPopupMenu
    object MIF1: TMenuItem
      Caption = '导出MIF文件  '
      object N1: TMenuItem
        Caption = '地理坐标'
        OnClick = N1Click
      end
    end
  end
  object PopupMenu3: TPopupMenu
    OnPopup = PopupMenu3Popup
    object mnuSelAll: TMenuItem
      Caption = '全    选'
      OnClick = mnuSelAllClick
    end
    object mnuSelNone: TMenuItem
      Caption = '全不选'
      OnClick = mnuSelNoneClick
    end
  end
  object OpenDialog1: TOpenDialog
    DefaultExt = 'txt'
    Filter = '文本文件（*.txt）|*.txt'
  end
end
