#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "gis/core/GisMappedFiles.h"
#include "tests/gis/core/ChangedFile.h"

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

TEST(MappedStream, PagesAnotherProgramCutsAwayReadAsZerosAndEveryReadAfterRaises) {
    const std::string path = TestFile("changed.bin");
    std::string bytes(64 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char('a' + i % 26);
    WriteFile(path, bytes);
    const std::string changed = ChangedFileMessage(path);
    TGIS_MappedStream s(path, false);
    char buf[4];
    s.ReadBuffer(buf, 4);
    // Cut short between two reads: a read of what is gone raises, a look at it in place finds zeros.
    ASSERT_EQ(truncate(path.c_str(), 10), 0);
    s.CheckView();  // nothing lost has been looked at yet
    s.Seek(60000, soFromBeginning);
    EXPECT_EQ(ReadError(s, 4), changed);
    EXPECT_EQ(s.Memory()[bytes.size() - 1], 0);
    EXPECT_EQ(s.Memory()[30000], 0);
    // The file whole again does not make the stream whole: it stays changed until opened again.
    WriteFile(path, bytes);
    s.Seek(0, soFromBeginning);
    EXPECT_EQ(ReadError(s, 4), changed);
    EXPECT_EQ(ReadErrorOf([&] { s.CheckView(); }), changed);
    s.Close();
    TGIS_MappedStream again(path, false);
    again.Seek(60000, soFromBeginning);
    again.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), bytes.substr(60000, 4));
    again.CheckView();
}

TEST(MappedStream, AFileThatCannotBeMappedIsReadAndOneThatEndsBeforeItsSizeIsReportedAsChanged) {
    // A system file whose size says a page but which holds a few bytes, as a file cut short while it is read.
    const std::string path = "/sys/devices/system/cpu/online";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 16) GTEST_SKIP() << path;
    EXPECT_EQ(ErrorOf(path), ChangedFileMessage(path));
}

TEST(MappedStream, ViewsBeyondThoseGuardedAreReadIntoMemory) {
    const std::string path = TestFile("many.bin");
    const std::string bytes(3 * 4096, 'm');
    WriteFile(path, bytes);
    std::vector<std::unique_ptr<TGIS_MappedStream>> streams;
    for (int i = 0; i < 1030; ++i) streams.push_back(std::make_unique<TGIS_MappedStream>(path, false));
    ASSERT_EQ(truncate(path.c_str(), 1), 0);
    char buf[4];
    // The first is a guarded map, the last a copy of the file as it was opened.
    streams.front()->Seek(8192, soFromBeginning);
    EXPECT_NE(ReadError(*streams.front(), 4), "");
    streams.back()->Seek(8192, soFromBeginning);
    streams.back()->ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "mmmm");
    // Guards come free with their streams.
    streams.clear();
    WriteFile(path, bytes);
    TGIS_MappedStream s(path, false);
    ASSERT_EQ(truncate(path.c_str(), 1), 0);
    s.Seek(8192, soFromBeginning);
    EXPECT_NE(ReadError(s, 4), "");
}
