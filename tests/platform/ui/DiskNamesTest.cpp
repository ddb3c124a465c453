// Pictures and the printer's file under Chinese names lie on disk in UTF-8; a name with no disk form
// is refused with the reader's or writer's error.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/Printers.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

namespace fs = std::filesystem;

TEST(UiDiskNames, BitmapsPicturesAndThePrintersFile) {
    UiTest::Init();
    const std::string dir = TestDir("ui");
    fs::create_directories(dir + U8(u8"/测试目录/北京"));
    const std::string gbk = dir + "/测试目录/北京/图幅索引";
    const std::string disk = dir + U8(u8"/测试目录/北京/图幅索引");

    TBitmap b(3, 2, pf24bit);
    b.Canvas()->SetPixel(1, 1, clRed);
    b.SaveToFile(gbk + ".bmp");
    b.SaveToPNG(gbk + ".png");
    TJPEGImage j;
    j.Assign(b);
    j.SaveToFile(gbk + ".jpg");
    for (const char* ext : {".bmp", ".jpg"}) {
        SCOPED_TRACE(ext);
        EXPECT_TRUE(fs::exists(disk + ext));
        TPicture pic;
        pic.LoadFromFile(gbk + ext);
        EXPECT_EQ(pic.Width(), 3);
    }
    TBitmap png;  // a bitmap reads PNG as well
    png.LoadFromFile(gbk + ".png");
    EXPECT_EQ(png.Canvas()->Pixel(1, 1), clRed);

    TPrinter* p = Printer();
    p->SetOutputFileName(gbk + ".pdf");
    p->BeginDoc();
    p->EndDoc();
    p->SetOutputFileName("");
    EXPECT_EQ(ReadFile(disk + ".pdf").substr(0, 4), "%PDF");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir + U8(u8"/测试目录/北京")), {}), 4);

    // A GB18030 four-byte character has no GBK form.
    const std::string bad = dir + "/\x95\x32\x82\x36";
    EXPECT_THROW(b.SaveToFile(bad + ".bmp"), Exception);
    EXPECT_THROW(b.SaveToPNG(bad + ".png"), Exception);
    EXPECT_THROW(j.SaveToFile(bad + ".jpg"), Exception);
    EXPECT_THROW(png.LoadFromFile(bad + ".png"), Exception);
    EXPECT_THROW(j.LoadFromFile(bad + ".jpg"), Exception);
    p->SetOutputFileName(bad + ".pdf");
    EXPECT_THROW(p->BeginDoc(), EPrinter);
    EXPECT_FALSE(p->Printing());
    p->SetOutputFileName("");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);  // the Chinese folder only
}

}  // namespace
