// Files, folders and GDAL's ogrinfo for the export tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <csignal>
#include <sys/resource.h>
#include <utility>
#include <vector>

// An empty folder of this test's own under the build's test output.
inline std::string TestDir(const std::string& tag) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path p = std::filesystem::path(QM_TEST_OUT) / (tag + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
}

// A UTF-8 text (narrow literals are GBK).
inline std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

inline bool HaveTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

inline std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

struct OgrFeature {
    std::vector<std::string> values;                // in the order ogrinfo lists them
    std::map<std::string, std::string> byName;
    std::vector<std::pair<double, double>> ring;    // the outer ring of a polygon
};

struct OgrLayer {
    std::vector<std::string> fields;
    std::vector<OgrFeature> features;
};

// The first layer of a file as ogrinfo reports it (texts in UTF-8).
inline OgrLayer ReadOgr(const std::string& file, const std::string& options = "") {
    OgrLayer layer;
    std::string out = RunCommand("ogrinfo -ro -al " + options + " '" + file + "' 2>/dev/null");
    for (const std::string& line : Lines(out)) {
        if (line.rfind("OGRFeature(", 0) == 0) {
            layer.features.emplace_back();
            continue;
        }
        if (layer.features.empty()) {
            auto colon = line.find(": ");
            if (line.empty() || line[0] == ' ' || colon == std::string::npos) continue;
            std::string type = line.substr(colon + 2);
            for (const char* t : {"String (", "Real (", "Integer (", "Integer64 ("})
                if (type.rfind(t, 0) == 0) layer.fields.push_back(line.substr(0, colon));
            continue;
        }
        OgrFeature& f = layer.features.back();
        if (line.rfind("  POLYGON ((", 0) == 0) {
            std::stringstream pts(line.substr(12));
            double x, y;
            char sep;
            while (pts >> x >> y) {
                f.ring.push_back({x, y});
                if (!(pts >> sep) || sep != ',') break;
            }
            continue;
        }
        auto eq = line.find(") = ");
        auto paren = line.rfind(" (", eq);
        if (line.rfind("  ", 0) != 0 || eq == std::string::npos || paren == std::string::npos) continue;
        std::string name = line.substr(2, paren - 2);
        if (name == "Style") continue;
        f.values.push_back(line.substr(eq + 4));
        f.byName[name] = f.values.back();
    }
    return layer;
}

// One member of a zip file (a workbook part), read by Python's zipfile; empty when unreadable.
inline std::string ZipEntry(const std::string& zip, const std::string& entry) {
    return RunCommand("python3 -c 'import sys, zipfile; "
                      "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' '" +
                      zip + "' '" + entry + "' 2>/dev/null");
}

// No file may grow past `bytes` while it lives: it stops a write for the superuser too, whom modes do not.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int);
};
