object frmCreateTessarRg: TfrmCreateTessarRg
  Left = 0
  Top = 0
  BorderStyle = bsSingle
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'Quillmark'
  ClientHeight = 418
  ClientWidth = 614
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'WenQuanYi Micro Hei'
  Position = poScreenCenter
  OnCreate = FormCreate
  object VtPageControl1: TVtPageControl
    Left = 4
    Top = 4
    Width = 606
    Height = 372
    ActivePage = TabSheet2
    FixedDimension = 18
    TabIndex = 0
    OnChange = VtPageControl1Change
    object TabSheet2: TVtTabSheet
      Caption = '北京54坐标系'
      object VtGroupBox1: TVtGroupBox
        Left = 6
        Top = 4
        Width = 300
        Height = 76
        Caption = '左下角经纬度'
        object lbl1: TVtLabel
          Left = 10
          Top = 22
          Caption = '经度'
        end
        object VtSpinEdit1: TVtSpinEdit
          Left = 44
          Top = 18
          Width = 64
          Height = 22
          Max = 180
          AllowKeyEdit = True
          PopupMenu = PopupMenu2
          Hint = '请按右键'
          ShowHint = True
          OnChange = VtSpinEdit1Change
        end
        object lbl2: TVtLabel
          Left = 110
          Top = 22
          Caption = '°'
        end
        object VtSpinEdit2: TVtSpinEdit
          Left = 122
          Top = 18
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
          OnChange = VtSpinEdit1Change
        end
        object lbl3: TVtLabel
          Left = 176
          Top = 22
          Caption = '′'
        end
        object VtSpinEdit3: TVtSpinEdit
          Left = 188
          Top = 18
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
          OnChange = VtSpinEdit1Change
        end
        object lbl4: TVtLabel
          Left = 278
          Top = 22
          Caption = '″'
        end
        object lbl5: TVtLabel
          Left = 10
          Top = 48
          Caption = '纬度'
        end
        object VtSpinEdit4: TVtSpinEdit
          Left = 44
          Top = 44
          Width = 64
          Height = 22
          Max = 90
          AllowKeyEdit = True
        end
        object lbl6: TVtLabel
          Left = 110
          Top = 48
          Caption = '°'
        end
        object VtSpinEdit5: TVtSpinEdit
          Left = 122
          Top = 44
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object lbl7: TVtLabel
          Left = 176
          Top = 48
          Caption = '′'
        end
        object VtSpinEdit6: TVtSpinEdit
          Left = 188
          Top = 44
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl8: TVtLabel
          Left = 278
          Top = 48
          Caption = '″'
        end
      end
      object VtGroupBox2: TVtGroupBox
        Left = 6
        Top = 84
        Width = 300
        Height = 76
        Caption = '右上角经纬度'
        object lbl9: TVtLabel
          Left = 10
          Top = 22
          Caption = '经度'
        end
        object VtSpinEdit7: TVtSpinEdit
          Left = 44
          Top = 18
          Width = 64
          Height = 22
          Max = 180
          AllowKeyEdit = True
          PopupMenu = PopupMenu2
        end
        object lbl10: TVtLabel
          Left = 110
          Top = 22
          Caption = '°'
        end
        object VtSpinEdit8: TVtSpinEdit
          Left = 122
          Top = 18
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object lbl11: TVtLabel
          Left = 176
          Top = 22
          Caption = '′'
        end
        object VtSpinEdit9: TVtSpinEdit
          Left = 188
          Top = 18
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl12: TVtLabel
          Left = 278
          Top = 22
          Caption = '″'
        end
        object lbl13: TVtLabel
          Left = 10
          Top = 48
          Caption = '纬度'
        end
        object VtSpinEdit10: TVtSpinEdit
          Left = 44
          Top = 44
          Width = 64
          Height = 22
          Max = 90
          AllowKeyEdit = True
        end
        object lbl14: TVtLabel
          Left = 110
          Top = 48
          Caption = '°'
        end
        object VtSpinEdit11: TVtSpinEdit
          Left = 122
          Top = 44
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object lbl15: TVtLabel
          Left = 176
          Top = 48
          Caption = '′'
        end
        object VtSpinEdit12: TVtSpinEdit
          Left = 188
          Top = 44
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl16: TVtLabel
          Left = 278
          Top = 48
          Caption = '″'
        end
      end
      object VtGroupBox3: TVtGroupBox
        Left = 6
        Top = 164
        Width = 300
        Height = 50
        Caption = '所在带数（中央经度）'
        object VtComboBox1: TVtComboBox
          Left = 10
          Top = 20
          Width = 120
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '3度分带法'
    '6度分带法')
          ItemIndex = 0
          OnChange = VtSpinEdit1Change
        end
        object lbl17: TVtLabel
          Left = 142
          Top = 24
          Caption = '中央经线'
        end
        object VtSpinEdit13: TVtSpinEdit
          Left = 200
          Top = 20
          Width = 80
          Height = 22
          Max = 180
          Decimals = 1
          IntegersOnly = False
          AllowKeyEdit = True
          OnChange = VtSpinEdit13Change
        end
      end
      object VtGroupBox4: TVtGroupBox
        Left = 6
        Top = 218
        Width = 300
        Height = 50
        Caption = '坐标偏移'
        object lbl18: TVtLabel
          Left = 10
          Top = 24
          Caption = 'X'
        end
        object VtNumericEdit1: TVtNumericEdit
          Left = 24
          Top = 20
          Width = 76
          Height = 22
        end
        object lbl19: TVtLabel
          Left = 106
          Top = 24
          Caption = 'Y'
        end
        object VtNumericEdit2: TVtNumericEdit
          Left = 120
          Top = 20
          Width = 76
          Height = 22
        end
        object VtCheckBox1: TVtCheckBox
          Left = 202
          Top = 21
          Width = 94
          Height = 20
          Caption = '省略坐标大数'
          OnClick = VtCheckBox1Click
        end
      end
      object VtGroupBox5: TVtGroupBox
        Left = 6
        Top = 272
        Width = 150
        Height = 64
        Caption = '编号标准'
        object VtRadioButton1: TVtRadioButton
          Left = 8
          Top = 18
          Width = 136
          Height = 20
          Caption = '按新图幅号标准编号'
          Checked = True
        end
        object VtRadioButton2: TVtRadioButton
          Left = 8
          Top = 40
          Width = 136
          Height = 20
          Caption = '按旧图幅号标准编号'
        end
      end
      object VtGroupBox6: TVtGroupBox
        Left = 162
        Top = 272
        Width = 144
        Height = 64
        Caption = '比例尺'
        object VtComboBox2: TVtComboBox
          Left = 10
          Top = 26
          Width = 124
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '1:100万'
    '1:50万'
    '1:25万'
    '1:10万'
    '1:5万'
    '1:2.5万'
    '1:1万'
    '1:5000')
          ItemIndex = 6
        end
      end
      object VtGroupBox7: TVtGroupBox
        Left = 312
        Top = 4
        Width = 282
        Height = 332
        Caption = '图幅号'
        object VtToolbarButton1: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 62
          Height = 24
          Caption = '删除图幅'
          Hint = '删除图幅'
          ShowHint = True
          OnClick = DeleteClick
        end
        object VtToolbarButton4: TVtToolbarButton
          Left = 72
          Top = 18
          Width = 74
          Height = 24
          Caption = '导入经纬度'
          Hint = '导入经纬度'
          ShowHint = True
          OnClick = ImportCornersClick
        end
        object VtToolbarButton5: TVtToolbarButton
          Left = 150
          Top = 18
          Width = 38
          Height = 24
          Caption = '信息'
          Hint = '信息'
          ShowHint = True
          OnClick = ShowInfoClick
        end
        object VtToolbarButton10: TVtToolbarButton
          Left = 192
          Top = 18
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtToolbarButton12: TVtToolbarButton
          Left = 234
          Top = 18
          Width = 38
          Height = 24
          Caption = '打开'
          Hint = '打开'
          ShowHint = True
          OnClick = VtToolbarButton12Click
        end
        object VtCheckList1: TVtCheckList
          Left = 6
          Top = 46
          Width = 270
          Height = 278
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
          OnDblClick = ShowInfoClick
        end
      end
    end
    object TabSheet3: TVtTabSheet
      Caption = '西安80坐标系'
      object VtGroupBox8: TVtGroupBox
        Left = 6
        Top = 4
        Width = 300
        Height = 76
        Caption = '左下角经纬度'
        object lbl20: TVtLabel
          Left = 10
          Top = 22
          Caption = '经度'
        end
        object VtSpinEdit14: TVtSpinEdit
          Left = 44
          Top = 18
          Width = 64
          Height = 22
          Max = 180
          AllowKeyEdit = True
          PopupMenu = PopupMenu2
          Hint = '请按右键'
          ShowHint = True
          OnChange = VtSpinEdit14Change
        end
        object lbl21: TVtLabel
          Left = 110
          Top = 22
          Caption = '°'
        end
        object VtSpinEdit15: TVtSpinEdit
          Left = 122
          Top = 18
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
          OnChange = VtSpinEdit14Change
        end
        object lbl22: TVtLabel
          Left = 176
          Top = 22
          Caption = '′'
        end
        object VtSpinEdit16: TVtSpinEdit
          Left = 188
          Top = 18
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
          OnChange = VtSpinEdit14Change
        end
        object lbl23: TVtLabel
          Left = 278
          Top = 22
          Caption = '″'
        end
        object lbl24: TVtLabel
          Left = 10
          Top = 48
          Caption = '纬度'
        end
        object VtSpinEdit17: TVtSpinEdit
          Left = 44
          Top = 44
          Width = 64
          Height = 22
          Max = 180
          AllowKeyEdit = True
        end
        object lbl25: TVtLabel
          Left = 110
          Top = 48
          Caption = '°'
        end
        object VtSpinEdit18: TVtSpinEdit
          Left = 122
          Top = 44
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object lbl26: TVtLabel
          Left = 176
          Top = 48
          Caption = '′'
        end
        object VtSpinEdit19: TVtSpinEdit
          Left = 188
          Top = 44
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl27: TVtLabel
          Left = 278
          Top = 48
          Caption = '″'
        end
      end
      object VtGroupBox9: TVtGroupBox
        Left = 6
        Top = 84
        Width = 300
        Height = 76
        Caption = '右上角经纬度'
        object lbl28: TVtLabel
          Left = 10
          Top = 22
          Caption = '经度'
        end
        object VtSpinEdit20: TVtSpinEdit
          Left = 44
          Top = 18
          Width = 64
          Height = 22
          Max = 180
          AllowKeyEdit = True
          PopupMenu = PopupMenu2
        end
        object lbl29: TVtLabel
          Left = 110
          Top = 22
          Caption = '°'
        end
        object VtSpinEdit21: TVtSpinEdit
          Left = 122
          Top = 18
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object lbl30: TVtLabel
          Left = 176
          Top = 22
          Caption = '′'
        end
        object VtSpinEdit22: TVtSpinEdit
          Left = 188
          Top = 18
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl31: TVtLabel
          Left = 278
          Top = 22
          Caption = '″'
        end
        object lbl32: TVtLabel
          Left = 10
          Top = 48
          Caption = '纬度'
        end
        object VtSpinEdit23: TVtSpinEdit
          Left = 44
          Top = 44
          Width = 64
          Height = 22
          Max = 90
          AllowKeyEdit = True
        end
        object lbl33: TVtLabel
          Left = 110
          Top = 48
          Caption = '°'
        end
        object VtSpinEdit24: TVtSpinEdit
          Left = 122
          Top = 44
          Width = 52
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object lbl34: TVtLabel
          Left = 176
          Top = 48
          Caption = '′'
        end
        object VtSpinEdit25: TVtSpinEdit
          Left = 188
          Top = 44
          Width = 86
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl35: TVtLabel
          Left = 278
          Top = 48
          Caption = '″'
        end
      end
      object VtGroupBox10: TVtGroupBox
        Left = 6
        Top = 164
        Width = 300
        Height = 50
        Caption = '所在带数（中央经度）'
        object VtComboBox3: TVtComboBox
          Left = 10
          Top = 20
          Width = 120
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '3度分带法'
    '6度分带法')
          ItemIndex = 0
          OnChange = VtSpinEdit14Change
        end
        object lbl36: TVtLabel
          Left = 142
          Top = 24
          Caption = '中央经线'
        end
        object VtSpinEdit26: TVtSpinEdit
          Left = 200
          Top = 20
          Width = 80
          Height = 22
          Max = 180
          Decimals = 1
          IntegersOnly = False
          AllowKeyEdit = True
          OnChange = VtSpinEdit26Change
        end
      end
      object VtGroupBox11: TVtGroupBox
        Left = 6
        Top = 218
        Width = 300
        Height = 50
        Caption = '坐标偏移'
        object lbl37: TVtLabel
          Left = 10
          Top = 24
          Caption = 'X'
        end
        object VtNumericEdit3: TVtNumericEdit
          Left = 24
          Top = 20
          Width = 76
          Height = 22
        end
        object lbl38: TVtLabel
          Left = 106
          Top = 24
          Caption = 'Y'
        end
        object VtNumericEdit4: TVtNumericEdit
          Left = 120
          Top = 20
          Width = 76
          Height = 22
        end
        object VtCheckBox2: TVtCheckBox
          Left = 202
          Top = 21
          Width = 94
          Height = 20
          Caption = '省略坐标大数'
          OnClick = VtCheckBox2Click
        end
      end
      object VtGroupBox12: TVtGroupBox
        Left = 6
        Top = 272
        Width = 150
        Height = 64
        Caption = '编号标准'
        object VtRadioButton3: TVtRadioButton
          Left = 8
          Top = 18
          Width = 136
          Height = 20
          Caption = '按新图幅号标准编号'
          Checked = True
        end
        object VtRadioButton4: TVtRadioButton
          Left = 8
          Top = 40
          Width = 136
          Height = 20
          Caption = '按旧图幅号标准编号'
        end
      end
      object VtGroupBox13: TVtGroupBox
        Left = 162
        Top = 272
        Width = 144
        Height = 64
        Caption = '比例尺'
        object VtComboBox4: TVtComboBox
          Left = 10
          Top = 26
          Width = 124
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '1:100万'
    '1:50万'
    '1:25万'
    '1:10万'
    '1:5万'
    '1:2.5万'
    '1:1万'
    '1:5000')
          ItemIndex = 6
        end
      end
      object VtGroupBox14: TVtGroupBox
        Left = 312
        Top = 4
        Width = 282
        Height = 332
        Caption = '图幅号'
        object VtToolbarButton2: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 62
          Height = 24
          Caption = '删除图幅'
          Hint = '删除图幅'
          ShowHint = True
          OnClick = DeleteClick
        end
        object VtToolbarButton6: TVtToolbarButton
          Left = 72
          Top = 18
          Width = 38
          Height = 24
          Caption = '信息'
          Hint = '信息'
          ShowHint = True
          OnClick = ShowInfoClick
        end
        object VtToolbarButton7: TVtToolbarButton
          Left = 114
          Top = 18
          Width = 74
          Height = 24
          Caption = '导入经纬度'
          Hint = '导入经纬度'
          ShowHint = True
          OnClick = ImportCornersClick
        end
        object VtToolbarButton11: TVtToolbarButton
          Left = 192
          Top = 18
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtToolbarButton13: TVtToolbarButton
          Left = 234
          Top = 18
          Width = 38
          Height = 24
          Caption = '打开'
          Hint = '打开'
          ShowHint = True
          OnClick = VtToolbarButton13Click
        end
        object VtCheckList2: TVtCheckList
          Left = 6
          Top = 46
          Width = 270
          Height = 278
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
          OnDblClick = ShowInfoClick
        end
      end
    end
    object TabSheet4: TVtTabSheet
      Caption = '独立坐标系'
      object VtGroupBox15: TVtGroupBox
        Left = 6
        Top = 4
        Width = 300
        Height = 124
        Caption = '坐标范围'
        object lbl39: TVtLabel
          Left = 10
          Top = 22
          Caption = '最小X'
        end
        object VtNumericEdit5: TVtNumericEdit
          Left = 50
          Top = 18
          Width = 240
          Height = 22
          DisplayFormat = ',0.00000;(,0.00000)'
          IntegersOnly = False
        end
        object lbl40: TVtLabel
          Left = 10
          Top = 48
          Caption = '最小Y'
        end
        object VtNumericEdit6: TVtNumericEdit
          Left = 50
          Top = 44
          Width = 240
          Height = 22
          DisplayFormat = ',0.00000;(,0.00000)'
          IntegersOnly = False
        end
        object lbl41: TVtLabel
          Left = 10
          Top = 74
          Caption = '最大X'
        end
        object VtNumericEdit7: TVtNumericEdit
          Left = 50
          Top = 70
          Width = 240
          Height = 22
          DisplayFormat = ',0.00000;(,0.00000)'
          IntegersOnly = False
        end
        object lbl42: TVtLabel
          Left = 10
          Top = 100
          Caption = '最大Y'
        end
        object VtNumericEdit8: TVtNumericEdit
          Left = 50
          Top = 96
          Width = 240
          Height = 22
          DisplayFormat = ',0.00000;(,0.00000)'
          IntegersOnly = False
        end
      end
      object VtGroupBox16: TVtGroupBox
        Left = 6
        Top = 132
        Width = 300
        Height = 50
        Caption = '坐标平移'
        object lbl43: TVtLabel
          Left = 8
          Top = 24
          Caption = 'X方向'
        end
        object VtSpinEdit28: TVtSpinEdit
          Left = 50
          Top = 20
          Width = 90
          Height = 22
          Max = 1000
          Increment = 10
          AllowKeyEdit = True
        end
        object lbl44: TVtLabel
          Left = 152
          Top = 24
          Caption = 'Y方向'
        end
        object VtSpinEdit29: TVtSpinEdit
          Left = 194
          Top = 20
          Width = 90
          Height = 22
          Max = 1000
          Increment = 10
          AllowKeyEdit = True
        end
      end
      object VtGroupBox17: TVtGroupBox
        Left = 6
        Top = 186
        Width = 300
        Height = 50
        Caption = '起始编号'
        object lbl45: TVtLabel
          Left = 8
          Top = 24
          Caption = '行'
        end
        object VtSpinEdit30: TVtSpinEdit
          Left = 50
          Top = 20
          Width = 90
          Height = 22
          Max = 10000
          Increment = 10
          AllowKeyEdit = True
        end
        object lbl46: TVtLabel
          Left = 152
          Top = 24
          Caption = '列'
        end
        object VtSpinEdit31: TVtSpinEdit
          Left = 194
          Top = 20
          Width = 90
          Height = 22
          Max = 10000
          Increment = 10
          AllowKeyEdit = True
        end
      end
      object VtGroupBox18: TVtGroupBox
        Left = 6
        Top = 240
        Width = 300
        Height = 50
        Caption = '编号格式'
        object lbl47: TVtLabel
          Left = 8
          Top = 24
          Caption = '格式'
        end
        object VtEdit1: TVtEdit
          Left = 50
          Top = 20
          Width = 240
          Height = 22
          Text = '[ROW]+[COL]'
        end
      end
      object VtGroupBox19: TVtGroupBox
        Left = 6
        Top = 294
        Width = 300
        Height = 44
        Caption = '编号方式'
        object VtRadioButton9: TVtRadioButton
          Left = 10
          Top = 18
          Width = 90
          Height = 20
          Caption = '行列号'
          Checked = True
          OnClick = VtRadioButton9Click
        end
        object VtRadioButton10: TVtRadioButton
          Left = 120
          Top = 18
          Width = 80
          Height = 20
          Caption = '坐标'
          OnClick = VtRadioButton10Click
        end
      end
      object VtGroupBox20: TVtGroupBox
        Left = 6
        Top = 296
        Width = 300
        Height = 40
        Caption = '比例尺'
        Visible = False
        object VtSpinEdit27: TVtSpinEdit
          Left = 10
          Top = 14
          Width = 90
          Height = 22
          Max = 2000
          Increment = 100
          AllowKeyEdit = True
        end
      end
      object VtGroupBox21: TVtGroupBox
        Left = 312
        Top = 4
        Width = 282
        Height = 332
        Caption = '图幅号'
        object VtToolbarButton3: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 62
          Height = 24
          Caption = '删除图幅'
          Hint = '删除图幅'
          ShowHint = True
          OnClick = DeleteClick
        end
        object VtToolbarButton8: TVtToolbarButton
          Left = 72
          Top = 18
          Width = 38
          Height = 24
          Caption = '信息'
          Hint = '信息'
          ShowHint = True
          OnClick = ShowCustomInfoClick
        end
        object VtToolbarButton9: TVtToolbarButton
          Left = 114
          Top = 18
          Width = 62
          Height = 24
          Caption = '导入坐标'
          Hint = '导入坐标'
          ShowHint = True
          OnClick = ImportGridSheetClick
        end
        object VtToolbarButton24: TVtToolbarButton
          Left = 180
          Top = 18
          Width = 38
          Height = 24
          Caption = '打开'
          Hint = '打开'
          ShowHint = True
          OnClick = VtToolbarButton24Click
        end
        object VtToolbarButton28: TVtToolbarButton
          Left = 222
          Top = 18
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtCheckList3: TVtCheckList
          Left = 6
          Top = 46
          Width = 270
          Height = 278
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
          OnDblClick = ShowCustomInfoClick
        end
      end
    end
    object TabSheet1: TVtTabSheet
      Caption = '图幅号转换查询'
      object VtGroupBox22: TVtGroupBox
        Left = 6
        Top = 4
        Width = 200
        Height = 332
        Caption = '原图幅号'
        object VtToolbarButton14: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 38
          Height = 24
          Caption = '打开'
          Hint = '打开'
          ShowHint = True
          OnClick = VtToolbarButton14Click
        end
        object VtToolbarButton15: TVtToolbarButton
          Left = 48
          Top = 18
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtToolbarButton16: TVtToolbarButton
          Left = 90
          Top = 18
          Width = 38
          Height = 24
          Caption = '删除'
          Hint = '删除'
          ShowHint = True
          OnClick = VtToolbarButton16Click
        end
        object VtToolbarButton20: TVtToolbarButton
          Left = 6
          Top = 44
          Width = 38
          Height = 24
          Caption = '新建'
          Hint = '新建'
          ShowHint = True
          OnClick = VtToolbarButton20Click
        end
        object VtToolbarButton21: TVtToolbarButton
          Left = 48
          Top = 44
          Width = 38
          Height = 24
          Caption = '信息'
          Hint = '信息'
          ShowHint = True
          OnClick = ShowInfoClick
        end
        object VtCheckList4: TVtCheckList
          Left = 6
          Top = 72
          Width = 188
          Height = 252
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
          OnDblClick = ShowInfoClick
        end
      end
      object VtGroupBox23: TVtGroupBox
        Left = 212
        Top = 4
        Width = 176
        Height = 64
        Caption = '转换方式'
        object VtRadioButton5: TVtRadioButton
          Left = 8
          Top = 18
          Width = 120
          Height = 20
          Caption = '-->新图号'
          Checked = True
        end
        object VtRadioButton6: TVtRadioButton
          Left = 8
          Top = 40
          Width = 120
          Height = 20
          Caption = '-->旧图号'
        end
      end
      object VtGroupBox24: TVtGroupBox
        Left = 212
        Top = 72
        Width = 176
        Height = 50
        Caption = '转换后比例尺'
        object VtComboBox5: TVtComboBox
          Left = 10
          Top = 20
          Width = 156
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '1:100万'
    '1:50万'
    '1:25万'
    '1:10万'
    '1:5万'
    '1:2.5万'
    '1:1万'
    '1:5000')
          ItemIndex = 6
        end
      end
      object VtGroupBox25: TVtGroupBox
        Left = 212
        Top = 126
        Width = 176
        Height = 76
        Caption = '所在带数（中央经度）'
        object VtComboBox6: TVtComboBox
          Left = 10
          Top = 20
          Width = 156
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '3度分带法'
    '6度分带法')
          ItemIndex = 0
          OnChange = VtComboBox6Change
        end
        object lbl48: TVtLabel
          Left = 10
          Top = 52
          Caption = '中央经线'
        end
        object VtSpinEdit34: TVtSpinEdit
          Left = 70
          Top = 48
          Width = 96
          Height = 22
          Max = 360
          Decimals = 1
          IntegersOnly = False
          AllowKeyEdit = True
          OnChange = VtSpinEdit34Change
        end
      end
      object VtGroupBox26: TVtGroupBox
        Left = 212
        Top = 206
        Width = 176
        Height = 76
        Caption = '坐标偏移'
        object lbl49: TVtLabel
          Left = 8
          Top = 22
          Caption = 'X'
        end
        object VtNumericEdit9: TVtNumericEdit
          Left = 22
          Top = 18
          Width = 64
          Height = 22
        end
        object lbl50: TVtLabel
          Left = 92
          Top = 22
          Caption = 'Y'
        end
        object VtNumericEdit10: TVtNumericEdit
          Left = 106
          Top = 18
          Width = 62
          Height = 22
        end
        object VtCheckBox3: TVtCheckBox
          Left = 8
          Top = 46
          Width = 120
          Height = 20
          Caption = '省略坐标大数'
          OnClick = VtCheckBox3Click
        end
      end
      object VtGroupBox27: TVtGroupBox
        Left = 212
        Top = 286
        Width = 176
        Height = 50
        Caption = '坐标系'
        object VtRadioButton7: TVtRadioButton
          Left = 8
          Top = 20
          Width = 76
          Height = 20
          Caption = '54坐标系'
          Checked = True
        end
        object VtRadioButton8: TVtRadioButton
          Left = 90
          Top = 20
          Width = 76
          Height = 20
          Caption = '80坐标系'
        end
      end
      object VtGroupBox28: TVtGroupBox
        Left = 394
        Top = 4
        Width = 200
        Height = 332
        Caption = '目标图幅号'
        object VtToolbarButton17: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 38
          Height = 24
          Caption = '信息'
          Hint = '信息'
          ShowHint = True
          OnClick = ShowInfoClick
        end
        object VtToolbarButton18: TVtToolbarButton
          Left = 48
          Top = 18
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtToolbarButton19: TVtToolbarButton
          Left = 90
          Top = 18
          Width = 38
          Height = 24
          Caption = '删除'
          Hint = '删除'
          ShowHint = True
          OnClick = DeleteClick
        end
        object VtCheckList5: TVtCheckList
          Left = 6
          Top = 46
          Width = 188
          Height = 278
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
          OnDblClick = ShowInfoClick
        end
      end
    end
    object TabSheet5: TVtTabSheet
      Caption = '经纬度查询图幅号'
      object VtGroupBox29: TVtGroupBox
        Left = 6
        Top = 4
        Width = 196
        Height = 50
        Caption = '比例尺'
        object VtComboBox7: TVtComboBox
          Left = 10
          Top = 20
          Width = 176
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '1:100万'
    '1:50万'
    '1:25万'
    '1:10万'
    '1:5万'
    '1:2.5万'
    '1:1万'
    '1:5000')
          ItemIndex = 6
        end
      end
      object VtGroupBox30: TVtGroupBox
        Left = 6
        Top = 58
        Width = 196
        Height = 64
        Caption = '编号标准'
        object VtRadioButton11: TVtRadioButton
          Left = 8
          Top = 18
          Width = 160
          Height = 20
          Caption = '按新图幅号标准编号'
          Checked = True
        end
        object VtRadioButton12: TVtRadioButton
          Left = 8
          Top = 40
          Width = 160
          Height = 20
          Caption = '按旧图幅号标准编号'
        end
      end
      object VtGroupBox31: TVtGroupBox
        Left = 6
        Top = 126
        Width = 196
        Height = 76
        Caption = '所在带数（中央经度）'
        object VtComboBox8: TVtComboBox
          Left = 10
          Top = 20
          Width = 176
          Height = 22
          FlatButtons = True
          FrameVisible = True
          Style = csDropDownList
          Items.Strings = (
    '3度分带法'
    '6度分带法')
          ItemIndex = 0
          OnChange = VtComboBox8Change
        end
        object lbl51: TVtLabel
          Left = 10
          Top = 52
          Caption = '中央经线'
        end
        object VtSpinEdit39: TVtSpinEdit
          Left = 70
          Top = 48
          Width = 96
          Height = 22
          Max = 180
          Decimals = 1
          IntegersOnly = False
          AllowKeyEdit = True
          OnChange = VtSpinEdit39Change
        end
      end
      object VtGroupBox32: TVtGroupBox
        Left = 6
        Top = 206
        Width = 196
        Height = 76
        Caption = '坐标偏移'
        object lbl52: TVtLabel
          Left = 8
          Top = 22
          Caption = 'X'
        end
        object VtNumericEdit11: TVtNumericEdit
          Left = 22
          Top = 18
          Width = 72
          Height = 22
        end
        object lbl53: TVtLabel
          Left = 102
          Top = 22
          Caption = 'Y'
        end
        object VtNumericEdit12: TVtNumericEdit
          Left = 116
          Top = 18
          Width = 72
          Height = 22
        end
        object VtCheckBox4: TVtCheckBox
          Left = 8
          Top = 46
          Width = 120
          Height = 20
          Caption = '省略坐标大数'
          OnClick = VtCheckBox4Click
        end
      end
      object VtGroupBox33: TVtGroupBox
        Left = 6
        Top = 286
        Width = 196
        Height = 50
        Caption = '坐标系'
        object VtRadioButton13: TVtRadioButton
          Left = 8
          Top = 20
          Width = 80
          Height = 20
          Caption = '54坐标系'
          Checked = True
        end
        object VtRadioButton14: TVtRadioButton
          Left = 100
          Top = 20
          Width = 80
          Height = 20
          Caption = '80坐标系'
        end
      end
      object VtGroupBox34: TVtGroupBox
        Left = 208
        Top = 4
        Width = 186
        Height = 76
        Caption = '经纬度'
        object lbl54: TVtLabel
          Left = 6
          Top = 22
          Caption = '经度'
        end
        object VtSpinEdit32: TVtSpinEdit
          Left = 34
          Top = 18
          Width = 50
          Height = 22
          Max = 180
          AllowKeyEdit = True
          PopupMenu = PopupMenu2
          Hint = '请按右键'
          ShowHint = True
        end
        object VtSpinEdit33: TVtSpinEdit
          Left = 86
          Top = 18
          Width = 40
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object VtSpinEdit35: TVtSpinEdit
          Left = 128
          Top = 18
          Width = 52
          ButtonWidth = 13
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
        object lbl55: TVtLabel
          Left = 6
          Top = 50
          Caption = '纬度'
        end
        object VtSpinEdit36: TVtSpinEdit
          Left = 34
          Top = 46
          Width = 50
          Height = 22
          Max = 90
          AllowKeyEdit = True
        end
        object VtSpinEdit37: TVtSpinEdit
          Left = 86
          Top = 46
          Width = 40
          Height = 22
          Max = 59
          AllowKeyEdit = True
        end
        object VtSpinEdit38: TVtSpinEdit
          Left = 128
          Top = 46
          Width = 52
          ButtonWidth = 13
          Height = 22
          Max = 60
          Decimals = 3
          IntegersOnly = False
          AllowKeyEdit = True
        end
      end
      object VtGroupBox35: TVtGroupBox
        Left = 208
        Top = 84
        Width = 186
        Height = 252
        Caption = '待查询经纬度'
        object VtToolbarButton22: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 38
          Height = 24
          Caption = '删除'
          Hint = '删除'
          ShowHint = True
          OnClick = DeletePointsClick
        end
        object VtToolbarButton23: TVtToolbarButton
          Left = 48
          Top = 18
          Width = 74
          Height = 24
          Caption = '导入经纬度'
          Hint = '导入经纬度'
          ShowHint = True
          OnClick = VtToolbarButton23Click
        end
        object VtToolbarButton25: TVtToolbarButton
          Left = 6
          Top = 44
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtToolbarButton26: TVtToolbarButton
          Left = 48
          Top = 44
          Width = 38
          Height = 24
          Caption = '打开'
          Hint = '打开'
          ShowHint = True
          OnClick = VtToolbarButton26Click
        end
        object VtCheckList6: TVtCheckList
          Left = 6
          Top = 72
          Width = 174
          Height = 172
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
        end
      end
      object VtGroupBox36: TVtGroupBox
        Left = 400
        Top = 4
        Width = 194
        Height = 332
        Caption = '图幅号'
        object VtToolbarButton27: TVtToolbarButton
          Left = 6
          Top = 18
          Width = 62
          Height = 24
          Caption = '删除图幅'
          Hint = '删除图幅'
          ShowHint = True
          OnClick = DeleteClick
        end
        object VtToolbarButton29: TVtToolbarButton
          Left = 72
          Top = 18
          Width = 38
          Height = 24
          Caption = '信息'
          Hint = '信息'
          ShowHint = True
          OnClick = ShowInfoClick
        end
        object VtToolbarButton30: TVtToolbarButton
          Left = 114
          Top = 18
          Width = 38
          Height = 24
          Caption = '查找'
          Hint = '查找'
          ShowHint = True
          OnClick = FindClick
        end
        object VtCheckList7: TVtCheckList
          Left = 6
          Top = 46
          Width = 182
          Height = 278
          PopupMenu = PopupMenu3
          OnDrawItem = VtListBoxDrawItem
          OnDblClick = ShowInfoClick
        end
      end
    end
  end
  object VtBitBtn1: TVtBitBtn
    Left = 126
    Top = 384
    Width = 96
    Height = 28
    HotTrack = True
    Caption = '生成图幅号'
    OnClick = VtBitBtn1Click
  end
  object VtBitBtn2: TVtBitBtn
    Left = 230
    Top = 384
    Width = 80
    Height = 28
    HotTrack = True
    Caption = '保存'
    OnClick = VtBitBtn2Click
  end
  object VtMenuButton1: TVtMenuButton
    Left = 318
    Top = 384
    Width = 80
    Height = 28
    HotTrack = True
    Caption = '导出'
    DropDownMenu = PopupMenu1
  end
  object VtMenuButton2: TVtMenuButton
    Left = 406
    Top = 384
    Width = 80
    Height = 28
    HotTrack = True
    Caption = '预览'
    DropDownMenu = PopupMenu4
  end
  object VtBitBtn3: TVtBitBtn
    Left = 494
    Top = 384
    Width = 80
    Height = 28
    HotTrack = True
    Caption = '退出'
    OnClick = VtBitBtn3Click
  end
  object PopupMenu1: TPopupMenu
    object MIF1: TMenuItem
      Caption = '导出MIF文件  '
      object N1: TMenuItem
        OnClick = N1Click
        Caption = '地理坐标'
      end
      object N2: TMenuItem
        OnClick = N2Click
        Caption = '投影坐标（米）'
      end
      object N8: TMenuItem
        OnClick = N8Click
        Caption = '投影坐标（千米）'
      end
    end
    object XLS2: TMenuItem
      Caption = '导出Excel文件  '
      object Excel1: TMenuItem
        OnClick = Excel1Click
        Caption = '导出XLS文件（米）'
      end
      object XLS1: TMenuItem
        OnClick = XLS1Click
        Caption = '导出XLS文件（千米）'
      end
    end
    object SHP1: TMenuItem
      Caption = '导出SHP文件'
      Enabled = False
      Visible = False
    end
  end
  object PopupMenu2: TPopupMenu
    object N3: TMenuItem
      Caption = '度-->度分秒'
      OnClick = N3Click
    end
    object N4: TMenuItem
      Caption = 'XY-->度分秒'
      OnClick = N4Click
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
    object N7: TMenuItem
      Caption = '反    选'
      OnClick = N7Click
    end
  end
  object PopupMenu4: TPopupMenu
    object N5: TMenuItem
      Caption = '地理坐标'
      OnClick = N5Click
    end
    object N6: TMenuItem
      Caption = '投影坐标'
      OnClick = N6Click
    end
  end
  object OpenDialog1: TOpenDialog
    Filter = '文本文件（*.txt）|*.txt'
  end
  object SaveDialog1: TSaveDialog
    Filter = '文本文件(*.txt)|*.txt'
    DefaultExt = 'txt'
  end
end
