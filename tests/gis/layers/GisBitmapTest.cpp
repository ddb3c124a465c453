#include "gis/layers/GisBitmap.h"

#include <gtest/gtest.h>

#include <memory>

#include "gis/core/GisIni.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/testsupport/UiTest.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

// A 3 x 2 bitmap file of one colour; its GBK name.
std::string SaveSample(const std::string& name, TColor color) {
    UiTest::Init();
    TBitmap b(3, 2, pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) b.Canvas()->SetPixel(x, y, color);
    b.SaveToFile(name);
    return name;
}

std::string GbkDir() {
    std::string gbk;
    EXPECT_TRUE(DiskNameToGbk(TestDir("bmp"), gbk));
    return gbk;
}

TEST(GisBitmap, RemembersItsFile) {
    const std::string file = SaveSample(GbkDir() + "/道路.bmp", RGB(10, 20, 30));
    TGIS_Bitmap b;
    EXPECT_EQ(b.Path, "");
    b.LoadFromFile(file);
    EXPECT_EQ(b.Path, file);
    EXPECT_EQ(b.Width(), 3);

    TGIS_Bitmap copy;
    copy.Assign(b);
    EXPECT_EQ(copy.Path, file);
    EXPECT_EQ(copy.Height(), 2);
    TBitmap plain(5, 5);
    copy.Assign(plain);
    EXPECT_EQ(copy.Path, "");
    EXPECT_EQ(copy.Width(), 5);

    // A failed load keeps the old path.
    EXPECT_THROW(copy.LoadFromFile(file + ".missing"), Exception);
    EXPECT_EQ(copy.Path, "");
}

TEST(GisBitmap, ContentFromAStreamOrTheClipboardHasNoPath) {
    const std::string file = SaveSample(GbkDir() + "/b.bmp", RGB(10, 20, 30));
    TGIS_Bitmap b;
    b.LoadFromFile(file);
    ASSERT_EQ(b.Path, file);
    {
        TFileStream f(file, fmOpenRead);
        b.LoadFromStream(f);
    }
    EXPECT_EQ(b.Path, "");
    EXPECT_EQ(b.Width(), 3);

    TBitmap picture(4, 5, pf24bit);
    picture.Canvas()->SetPixel(1, 1, RGB(200, 0, 0));
    UiTest::SetClipboardPicture(&picture);
    b.LoadFromFile(file);
    b.LoadFromClipboardFormat(CF_BITMAP);
    EXPECT_EQ(b.Path, "");
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Height(), 5);
    EXPECT_EQ(b.Canvas()->Pixel(1, 1), RGB(200, 0, 0));
    // Another format, or an empty clipboard, is refused and the bitmap keeps what it had.
    b.LoadFromFile(file);
    EXPECT_THROW(b.LoadFromClipboardFormat(1), EInvalidGraphic);
    UiTest::SetClipboardPicture(nullptr);
    EXPECT_THROW(b.LoadFromClipboardFormat(CF_DIB), EInvalidGraphic);
    EXPECT_EQ(b.Path, file);
    EXPECT_EQ(b.Width(), 3);
}

TEST(GisBitmap, ReadFromConfiguration) {
    const std::string dir = GbkDir();
    const std::string roads = SaveSample(dir + "/roads.bmp", RGB(255, 0, 0));
    SaveSample(dir + "/upper.BMP", RGB(0, 255, 0));
    TGIS_Bitmap def;
    def.LoadFromFile(roads);
    def.Path = "default";

    std::unique_ptr<TGIS_Bitmap> b(TextToBitmap(dir + "/roads", nullptr));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Path, roads);
    b.reset(TextToBitmap(dir + "/roads.bmp", nullptr));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Path, roads);
    b.reset(TextToBitmap(dir + "/upper.BMP", nullptr));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width(), 3);

    // Missing or unreadable: a copy of the default, or nothing.
    EXPECT_EQ(TextToBitmap(dir + "/missing", nullptr), nullptr);
    ASSERT_TRUE(DiskWriteAll(dir + "/junk.bmp", "BM not a bitmap"));
    for (const std::string& text : {dir + "/missing", dir + "/junk", std::string("nil"), std::string()}) {
        b.reset(TextToBitmap(text, &def));
        ASSERT_NE(b, nullptr) << text;
        EXPECT_NE(b.get(), &def);
        EXPECT_EQ(b->Path, "default");
        EXPECT_EQ(b->Width(), 3);
    }
    EXPECT_EQ(TextToBitmap("nil", nullptr), nullptr);
}

// The path a configuration was given is what it reads back.
TEST(GisBitmap, WrittenPathReadsBack) {
    const std::string dir = GbkDir();
    const std::string file = SaveSample(dir + "/河流.bmp", RGB(0, 0, 255));
    TGIS_Bitmap b;
    b.LoadFromFile(file);
    TGIS_Ini ini(nullptr, dir + "/layer.ini");
    ini.WriteBitmap("Area.Bitmap", &b);
    ini.WriteBitmap("Line.Bitmap", nullptr);
    EXPECT_EQ(ini.ReadValue("Area.Bitmap"), file);
    EXPECT_EQ(ini.ReadValue("Line.Bitmap"), "nil");
    ini.Save();

    TGIS_Ini again(nullptr, dir + "/layer.ini");
    std::unique_ptr<TGIS_Bitmap> read(again.ReadBitmap("area.bitmap", nullptr));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Path, file);
    EXPECT_EQ(read->Canvas()->Pixel(1, 1), RGB(0, 0, 255));
}

}  // namespace
