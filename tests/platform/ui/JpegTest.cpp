#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/ui/Jpeg.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
// Pixels of a binary PPM (P6) as djpeg writes it.
bool ReadPpm(const std::string& path, int& w, int& h, std::string& px) {
    std::ifstream f(path, std::ios::binary);
    std::string magic;
    int maxv = 0;
    if (!(f >> magic >> w >> h >> maxv) || magic != "P6") return false;
    f.get();
    px.assign(size_t(w) * size_t(h) * 3, '\0');
    f.read(&px[0], std::streamsize(px.size()));
    return bool(f);
}
}  // namespace

TEST(Jpeg, DecodedPixelsEqualDjpegOutput) {
    UiTest::Init();
    std::string dir = QM_TEST_OUT;
    TBitmap src(33, 17, pf24bit);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x) src.Canvas()->SetPixel(x, y, RGB(x * 7, y * 15, 255 - x * 5));
    TJPEGImage enc;
    enc.Assign(src);
    enc.SetCompressionQuality(85);
    std::string jpg = dir + "/sample.jpg";
    enc.SaveToFile(jpg);

    TPicture pic;
    pic.LoadFromFile(jpg);  // registered at start-up
    auto* j = dynamic_cast<TJPEGImage*>(pic.Graphic());
    ASSERT_NE(j, nullptr);
    ASSERT_EQ(j->Width(), 33);
    ASSERT_EQ(j->Height(), 17);
    EXPECT_NEAR(GetRValue(j->Bitmap()->Canvas()->Pixel(10, 5)), 70, 12);

    if (std::system("command -v djpeg > /dev/null 2>&1") != 0) GTEST_SKIP() << "djpeg is not installed";
    std::string ppm = dir + "/sample.ppm";
    ASSERT_EQ(std::system(("djpeg -outfile '" + ppm + "' '" + jpg + "'").c_str()), 0);
    int w = 0, h = 0;
    std::string px;
    ASSERT_TRUE(ReadPpm(ppm, w, h, px));
    ASSERT_EQ(w, 33);
    ASSERT_EQ(h, 17);
    int diffs = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(&px[(size_t(y) * w + x) * 3]);
            if (j->Bitmap()->Canvas()->Pixel(x, y) != RGB(p[0], p[1], p[2])) ++diffs;
        }
    EXPECT_EQ(diffs, 0);
}

TEST(Jpeg, TruncatedAndBogusDataRaise) {
    UiTest::Init();
    TJPEGImage j;
    const unsigned char junk[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1};
    EXPECT_THROW(j.LoadFromMemory(junk, sizeof junk), EInvalidGraphic);
    EXPECT_THROW(j.LoadFromMemory("hello", 5), EInvalidGraphic);
    EXPECT_TRUE(j.Empty());
}
