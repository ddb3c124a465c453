object frmTFInformation: TfrmTFInformation
  BorderStyle = bsDialog
  ClientHeight = 299
  ClientWidth = 404
  Color = clBtnFace
  Font.Charset = GB2312_CHARSET
  Font.Height = -12
  Font.Name = 'WenQuanYi Micro Hei'
  Position = poMainFormCenter
  object VtPageControl1: TVtPageControl
    Left = 4
    Top = 4
    Width = 396
    Height = 250
    ActivePage = TabSheet1
    FixedDimension = 18
    TabIndex = 0
    object TabSheet1: TVtTabSheet
      Caption = '地理坐标'
      object lbl1: TVtLabel
        Left = 10
        Top = 14
        Caption = '图幅号'
      end
      object VtEdit1: TVtEdit
        Left = 56
        Top = 10
        Width = 180
        Height = 22
        ReadOnly = True
      end
      object VtGroupBox1: TVtGroupBox
        Left = 6
        Top = 38
        Width = 236
        Height = 70
        Caption = '左下角经纬度（度分秒）'
        object lbl2: TVtLabel
          Left = 8
          Top = 20
          Caption = '经度'
        end
        object VtNumericEdit1: TVtNumericEdit
          Left = 40
          Top = 16
          Width = 48
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl3: TVtLabel
          Left = 90
          Top = 20
          Caption = '°'
        end
        object VtNumericEdit2: TVtNumericEdit
          Left = 100
          Top = 16
          Width = 40
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl4: TVtLabel
          Left = 142
          Top = 20
          Caption = '′'
        end
        object VtNumericEdit3: TVtNumericEdit
          Left = 152
          Top = 16
          Width = 70
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.000;(,0.000)'
          ReadOnly = True
        end
        object lbl5: TVtLabel
          Left = 224
          Top = 20
          Caption = '″'
        end
        object lbl6: TVtLabel
          Left = 8
          Top = 46
          Caption = '纬度'
        end
        object VtNumericEdit4: TVtNumericEdit
          Left = 40
          Top = 42
          Width = 48
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl7: TVtLabel
          Left = 90
          Top = 46
          Caption = '°'
        end
        object VtNumericEdit5: TVtNumericEdit
          Left = 100
          Top = 42
          Width = 40
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl8: TVtLabel
          Left = 142
          Top = 46
          Caption = '′'
        end
        object VtNumericEdit6: TVtNumericEdit
          Left = 152
          Top = 42
          Width = 70
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.000;(,0.000)'
          ReadOnly = True
        end
        object lbl9: TVtLabel
          Left = 224
          Top = 46
          Caption = '″'
        end
      end
      object VtGroupBox2: TVtGroupBox
        Left = 6
        Top = 112
        Width = 236
        Height = 70
        Caption = '右上角经纬度（度分秒）'
        object lbl10: TVtLabel
          Left = 8
          Top = 20
          Caption = '经度'
        end
        object VtNumericEdit7: TVtNumericEdit
          Left = 40
          Top = 16
          Width = 48
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl11: TVtLabel
          Left = 90
          Top = 20
          Caption = '°'
        end
        object VtNumericEdit8: TVtNumericEdit
          Left = 100
          Top = 16
          Width = 40
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl12: TVtLabel
          Left = 142
          Top = 20
          Caption = '′'
        end
        object VtNumericEdit9: TVtNumericEdit
          Left = 152
          Top = 16
          Width = 70
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.000;(,0.000)'
          ReadOnly = True
        end
        object lbl13: TVtLabel
          Left = 224
          Top = 20
          Caption = '″'
        end
        object lbl14: TVtLabel
          Left = 8
          Top = 46
          Caption = '纬度'
        end
        object VtNumericEdit10: TVtNumericEdit
          Left = 40
          Top = 42
          Width = 48
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl15: TVtLabel
          Left = 90
          Top = 46
          Caption = '°'
        end
        object VtNumericEdit11: TVtNumericEdit
          Left = 100
          Top = 42
          Width = 40
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0;(,0)'
          ReadOnly = True
        end
        object lbl16: TVtLabel
          Left = 142
          Top = 46
          Caption = '′'
        end
        object VtNumericEdit12: TVtNumericEdit
          Left = 152
          Top = 42
          Width = 70
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.000;(,0.000)'
          ReadOnly = True
        end
        object lbl17: TVtLabel
          Left = 224
          Top = 46
          Caption = '″'
        end
      end
      object VtGroupBox3: TVtGroupBox
        Left = 248
        Top = 38
        Width = 136
        Height = 70
        Caption = '度'
        object VtNumericEdit21: TVtNumericEdit
          Left = 8
          Top = 16
          Width = 120
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.00000)'
          ReadOnly = True
        end
        object VtNumericEdit22: TVtNumericEdit
          Left = 8
          Top = 42
          Width = 120
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.00000)'
          ReadOnly = True
        end
      end
      object VtGroupBox4: TVtGroupBox
        Left = 248
        Top = 112
        Width = 136
        Height = 70
        Caption = '度'
        object VtNumericEdit23: TVtNumericEdit
          Left = 8
          Top = 16
          Width = 120
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.00000)'
          ReadOnly = True
        end
        object VtNumericEdit24: TVtNumericEdit
          Left = 8
          Top = 42
          Width = 120
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.00000)'
          ReadOnly = True
        end
      end
    end
    object TabSheet2: TVtTabSheet
      Caption = '投影坐标 '
      object VtGroupBox5: TVtGroupBox
        Left = 6
        Top = 8
        Width = 186
        Height = 74
        Caption = '左下角'
        object lbl18: TVtLabel
          Left = 8
          Top = 20
          Caption = 'X'
        end
        object VtNumericEdit13: TVtNumericEdit
          Left = 24
          Top = 16
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
        object lbl19: TVtLabel
          Left = 8
          Top = 46
          Caption = 'Y'
        end
        object VtNumericEdit14: TVtNumericEdit
          Left = 24
          Top = 42
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
      end
      object VtGroupBox6: TVtGroupBox
        Left = 198
        Top = 8
        Width = 186
        Height = 74
        Caption = '左上角'
        object lbl20: TVtLabel
          Left = 8
          Top = 20
          Caption = 'X'
        end
        object VtNumericEdit15: TVtNumericEdit
          Left = 24
          Top = 16
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
        object lbl21: TVtLabel
          Left = 8
          Top = 46
          Caption = 'Y'
        end
        object VtNumericEdit16: TVtNumericEdit
          Left = 24
          Top = 42
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
      end
      object VtGroupBox7: TVtGroupBox
        Left = 198
        Top = 88
        Width = 186
        Height = 74
        Caption = '右上角'
        object lbl22: TVtLabel
          Left = 8
          Top = 20
          Caption = 'X'
        end
        object VtNumericEdit17: TVtNumericEdit
          Left = 24
          Top = 16
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
        object lbl23: TVtLabel
          Left = 8
          Top = 46
          Caption = 'Y'
        end
        object VtNumericEdit18: TVtNumericEdit
          Left = 24
          Top = 42
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
      end
      object VtGroupBox8: TVtGroupBox
        Left = 6
        Top = 88
        Width = 186
        Height = 74
        Caption = '右下角'
        object lbl24: TVtLabel
          Left = 8
          Top = 20
          Caption = 'X'
        end
        object VtNumericEdit19: TVtNumericEdit
          Left = 24
          Top = 16
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
        object lbl25: TVtLabel
          Left = 8
          Top = 46
          Caption = 'Y'
        end
        object VtNumericEdit20: TVtNumericEdit
          Left = 24
          Top = 42
          Width = 154
          Height = 22
          IntegersOnly = False
          DisplayFormat = ',0.00000;(,0.0000)'
          ReadOnly = True
        end
      end
    end
  end
  object VtBitBtn1: TVtBitBtn
    Left = 164
    Top = 264
    Width = 75
    Height = 26
    HotTrack = True
    Caption = '返回'
    Default = True
    Cancel = True
    ModalResult = 1
  end
end
