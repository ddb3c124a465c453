// The preview window: loading the sheet layer, the tools, identify, find, added and removed layers.
#include "tests/app/PreviewFixture.h"

#include "platform/rtl/SysUtils.h"

namespace {

TEST_F(PreviewTest, LoadsRowsOfSheetsGeographic) {
    const TStandardTessarols sheets = J50Sheets(3, 3);
    f->LoadTessarols(sheets, true);
    UiTest::Flush();
    TGIS_LayerVector* layer = f->SheetLayer();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Shapes.size(), 9u);
    EXPECT_EQ(PaneText(6), "共9个图幅");
    EXPECT_EQ(layer->Units.Code, 20);
    SavePng("geographic");
}

}  // namespace
