#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/rtl/FileIO.h"

TEST(FileStream, CreatesReadsAndSeeksWithBounds) {
    // A GBK name: the file lands under its UTF-8 form.
    const std::string path = std::string(QM_TEST_OUT) + "/stream_\xB2\xE2\xCA\xD4.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("abcdef", 6);
        EXPECT_EQ(f.GetSize(), 6);
        f.Seek(2, soFromBeginning);
        f.WriteBuffer("XY", 2);
        char c[8] = {};
        f.Seek(-3, soFromEnd);
        EXPECT_EQ(f.Read(c, 8), 3);  // a read past the end moves what there is
        EXPECT_EQ(std::string(c), "Yef");
        EXPECT_EQ(f.Seek(-100, soFromCurrent), 6);  // no position before the start
    }
    TFileStream r(path, fmOpenRead);
    char c[8] = {};
    r.ReadBuffer(c, 6);
    EXPECT_EQ(std::string(c), "abXYef");
    EXPECT_THROW(r.ReadBuffer(c, 1), EReadError);
    EXPECT_EQ(r.Write("z", 1), 0);  // read-only
    EXPECT_THROW(TFileStream(path + ".missing", fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(std::string(QM_TEST_OUT), fmOpenRead), EFOpenError);
}
