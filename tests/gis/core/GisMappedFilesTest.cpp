#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "gis/core/GisMappedFiles.h"

namespace {

std::string TestFile(const std::string& name) { return std::string(QM_TEST_OUT) + "/" + name; }

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ErrorOf(const std::string& path) {
    try {
        TGIS_MappedStream s(path, false);
    } catch (const EFOpenError& e) {
        return e.Message;
    }
    return "";
}

std::string ReadError(TGIS_MappedStream& s, int64_t count) {
    char buf[16];
    try {
        s.Read(buf, count);
    } catch (const EReadError& e) {
        return e.Message;
    }
    return "";
}

TEST(MappedStream, OpenFailures) {
    std::string missing = TestFile("no-such-file.shp");
    std::remove(missing.c_str());
    EXPECT_EQ(ErrorOf(missing),
              "0030 Error " + std::to_string(ENOENT) + " during mapping file \"" + missing + "\" 文件不存在。");
    std::string empty = TestFile("empty.shp");
    WriteFile(empty, "");
    EXPECT_EQ(ErrorOf(empty), "0030 Error " + std::to_string(EINVAL) + " during mapping file \"" + empty + "\" 文件是空的。");
    // A folder in the file's place: its own code and cause, not the system's "invalid argument".
    std::string folder = TestFile("folder.shx");
    std::filesystem::create_directories(folder);
    EXPECT_EQ(ErrorOf(folder),
              "0030 Error " + std::to_string(EISDIR) + " during mapping file \"" + folder + "\" 这是一个文件夹，不是文件。");
    EXPECT_THROW(TGIS_MappedStream(TestFile("no-dir/x.shp"), true), EFOpenError);
}

TEST(MappedStream, ReadChecks) {
    std::string path = TestFile("mapped.bin");
    WriteFile(path, "0123456789");
    TGIS_MappedStream s(path, false);
    EXPECT_EQ(s.Size(), 10);
    char buf[16] = {};
    s.Seek(9, soFromBeginning);
    EXPECT_EQ(s.Read(buf, 1), 1);
    EXPECT_EQ(buf[0], '9');
    EXPECT_EQ(ReadError(s, 1), "TGIS_MappedStream.Read#2");
    EXPECT_EQ(s.Seek(-4, soFromEnd), 6);
    EXPECT_EQ(ReadError(s, 8), "TGIS_MappedStream.Read#3");
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    s.Seek(-20, soFromCurrent);
    EXPECT_EQ(ReadError(s, 1), "TGIS_MappedStream.Read#1");
    s.Seek(0, soFromBeginning);
    EXPECT_EQ(ReadError(s, -1), "TGIS_MappedStream.Read#1");
    EXPECT_EQ(s.Seek(3, 7), 0);  // unknown origin
    EXPECT_EQ(s.Seek(INT64_MAX, soFromBeginning), INT64_MAX);
    EXPECT_EQ(s.Seek(INT64_MAX, soFromCurrent), INT64_MAX);  // saturates instead of wrapping
    EXPECT_EQ(ReadError(s, 1), "TGIS_MappedStream.Read#2");
    EXPECT_EQ(s.GetSize(), 10);
    EXPECT_EQ(s.Memory()[0], '0');
}

TEST(MappedStream, WriteMode) {
    std::string path = TestFile("written.bin");
    WriteFile(path, std::string(100, 'x'));  // replaced
    {
        TGIS_MappedStream s(path, true);
        EXPECT_EQ(s.Size(), 0);
        s.WriteBuffer("0123456789", 10);
        s.Seek(4, soFromBeginning);
        EXPECT_EQ(s.Write("ab", 2), 2);
        EXPECT_EQ(s.Size(), 10);
        EXPECT_EQ(s.Position(), 6);
        char c;
        EXPECT_THROW(s.Read(&c, 1), EReadError);
    }
    TGIS_MappedStream r(path, false);
    char buf[10];
    r.ReadBuffer(buf, 10);
    EXPECT_EQ(std::string(buf, 10), "0123ab6789");
}

}  // namespace

namespace {
// The descriptor this process holds open on `path`, or -1.
int DescriptorOf(const std::string& path) {
    for (int fd = 3; fd < 1024; ++fd) {
        char link[4096];
        const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof link - 1);
        if (n > 0 && std::string(link, size_t(n)) == path) return fd;
    }
    return -1;
}
}  // namespace

TEST(MappedStream, CloseReportsAFailedRelease) {
    for (bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "write" : "read");
        const std::string path = TestFile(writable ? "close-w.shp" : "close-r.shp");
        WriteFile(path, "0123456789");
        // A clean close raises nothing; closing twice is nothing.
        {
            TGIS_MappedStream t(path, writable);
            t.Close();
            t.Close();
        }
        WriteFile(path, "0123456789");
        TGIS_MappedStream s(path, writable);
        // The system refuses to close the file (its descriptor already gone): 0030 with that code and the path.
        const int fd = DescriptorOf(path);
        ASSERT_GE(fd, 0);
        ::close(fd);
        try {
            s.Close();
            ADD_FAILURE() << "closed";
        } catch (const EFOpenError& e) {
            const std::string numbered =
                "0030 Error " + std::to_string(EBADF) + " during mapping file \"" + path + "\"";
            EXPECT_EQ(e.Message.rfind(numbered, 0), 0u) << e.Message;
        }
        s.Close();
        if (!writable) {
            EXPECT_NE(ReadError(s, 1), "");
        }
    }
}
