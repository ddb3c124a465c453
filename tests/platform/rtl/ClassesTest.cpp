#include "platform/rtl/Classes.h"

#include <gtest/gtest.h>

#include <cerrno>
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

// The messages a user reads name the file and the cause in Chinese, and carry both for callers.
TEST(FileStream, ErrorsNameTheFileAndTheCause) {
    const std::string missing = std::string(QM_TEST_OUT) + "/stream_missing.bin";
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "无法打开文件“" + missing + "”。文件不存在。");
        EXPECT_EQ(e.FileName, missing);
        EXPECT_EQ(e.ErrorCode, ENOENT);
    }
    try {
        TFileStream f(QM_TEST_OUT, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "无法打开文件“" + std::string(QM_TEST_OUT) + "”。这是一个文件夹，不是文件。");
    }
    TFileStream full("/dev/full", fmCreate);
    try {
        full.WriteBuffer("abc", 3);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message, "写入文件“/dev/full”失败！磁盘已满。");
        EXPECT_EQ(e.ErrorCode, ENOSPC);
    }
    TStringList lines;
    try {
        lines.LoadFromFile(missing);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "无法打开文件“" + missing + "”。文件不存在。");
    }
}
