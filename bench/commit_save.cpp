// Saves through the commit that replaces the user's files (a small .ini file with its backup, as a settings save
// does; a MIF/MID pair, as a small export does, and with backups, as a layer is saved) against plain writes of a temporary file renamed over the target,
// in the same run, process and folder: the bare system calls (Plain*), and the steps the program took before it
// had the commit (Former*: the writability checks, a "~tmp" file by its GBK name, the old files renamed aside).
// The folder holds other files, as a user's folder does (QM_OTHERS of them, 200 by default).
// Argument 0: no flushes (the commit's flushes switched off, the plain write flushing nothing); 1: the commit as
// the program runs it, and the plain write flushing its files and the folder as the commit does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/FileIO.h"

namespace {

std::string g_dir;
const int kOthers = getenv("QM_OTHERS") ? atoi(getenv("QM_OTHERS")) : 200;  // the other files of the folder
const std::string kIni(1200, 'i'), kMif(6000, 'm'), kMid(1500, 'd');

bool Write(const std::string& path, const std::string& bytes, bool flush) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    if (flush) ok &= ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

void FlushFolder(bool flush) {
    if (!flush) return;
    const int fd = ::open(g_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(fd);
    ::close(fd);
}

void CommitIni(benchmark::State& state) {
    const bool flush = state.range(0) != 0;
    DiskCommitFlushes(flush);
    const std::string path = g_dir + "/commit.ini";
    for (auto _ : state)
        if (DiskReplace(path, kIni, path + "~") != 0) state.SkipWithError("the commit failed");
    DiskCommitFlushes(true);
}
BENCHMARK(CommitIni)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void PlainIni(benchmark::State& state) {
    const bool flush = state.range(0) != 0;
    const std::string path = g_dir + "/plain.ini", tmp = path + ".tmp";
    Write(path, kIni, false);
    for (auto _ : state) {
        if (!Write(tmp, kIni, flush) || ::rename(path.c_str(), (path + "~").c_str()) != 0 ||
            ::rename(tmp.c_str(), path.c_str()) != 0)
            state.SkipWithError("the plain write failed");
        FlushFolder(flush);
    }
}
BENCHMARK(PlainIni)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A settings file as the program saved it before the commit.
void FormerIni(benchmark::State& state) {
    const std::string path = g_dir + "/former.ini", backup = path + "~", tmp = path + ".~tmp";
    for (auto _ : state) {
        bool ok = DiskWritable(path) && DiskWriteAll(tmp, kIni);
        const bool keep = ok && DiskExists(path);
        ok = ok && (!keep || DiskRename(path, backup)) && DiskRename(tmp, path);
        if (!ok) state.SkipWithError("the former save failed");
    }
}
BENCHMARK(FormerIni)->Arg(0)->Unit(benchmark::kMicrosecond);

// As the engine's export: what an earlier export left is put back first, then both files are written whole.
// `kept`: as a layer is saved, the previous set kept as its backup ("~").
void SavePair(benchmark::State& state, const std::string& name, bool kept) {
    const bool flush = state.range(0) != 0;
    DiskCommitFlushes(flush);
    const std::string mif = g_dir + "/" + name + ".mif", mid = g_dir + "/" + name + ".mid";
    const std::vector<std::string> backups = kept ? std::vector<std::string>{mif + "~", mid + "~"} : std::vector<std::string>{};
    for (auto _ : state) {
        DiskRecover(mif);
        TDiskWorkFile a, b;
        if (a.Create(mif, mif) || b.Create(mid, mif) || a.Write(kMif.data(), kMif.size()) ||
            b.Write(kMid.data(), kMid.size()) || DiskCommit({&a, &b}, {mif, mid}, backups))
            state.SkipWithError("the commit failed");
    }
    DiskCommitFlushes(true);
}
void CommitPair(benchmark::State& state) { SavePair(state, "commit", false); }
BENCHMARK(CommitPair)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
void CommitPairKept(benchmark::State& state) { SavePair(state, "kept", true); }
BENCHMARK(CommitPairKept)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void PlainPair(benchmark::State& state) {
    const bool flush = state.range(0) != 0;
    const std::string mif = g_dir + "/plain.mif", mid = g_dir + "/plain.mid";
    for (auto _ : state) {
        if (!Write(mif + ".tmp", kMif, flush) || !Write(mid + ".tmp", kMid, flush) ||
            ::rename((mif + ".tmp").c_str(), mif.c_str()) != 0 || ::rename((mid + ".tmp").c_str(), mid.c_str()) != 0)
            state.SkipWithError("the plain write failed");
        FlushFolder(flush);
    }
}
BENCHMARK(PlainPair)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A pair as the engine exported it before the commit: each file written under its name with "~tmp" appended,
// the old pair renamed aside, the new one into place, the old one removed.
void FormerPair(benchmark::State& state) {
    const std::vector<std::string> targets = {g_dir + "/former.mif", g_dir + "/former.mid"};
    const std::string* bytes[] = {&kMif, &kMid};
    for (auto _ : state) {
        bool ok = true;
        for (size_t i = 0; i < 2; ++i) {
            std::FILE* f = DiskFOpen(targets[i] + "~tmp", "wb");
            ok = ok && f;
            if (!f) break;
            std::setvbuf(f, nullptr, _IONBF, 0);
            ok = std::fwrite(bytes[i]->data(), 1, bytes[i]->size(), f) == bytes[i]->size() && ok;
            ok = std::fclose(f) == 0 && ok;
        }
        for (size_t i = 0; i < 2; ++i) ok = ok && DiskWritable(targets[i]);
        for (size_t i = 0; i < 2; ++i) ok = ok && (!DiskExists(targets[i]) || DiskRename(targets[i], targets[i] + "~old"));
        for (size_t i = 0; i < 2; ++i) ok = ok && DiskRename(targets[i] + "~tmp", targets[i]);
        for (size_t i = 0; i < 2; ++i) {
            DiskRemove(targets[i] + "~old");
            DiskRemove(targets[i] + "~tmp");
        }
        if (!ok) state.SkipWithError("the former save failed");
    }
}
BENCHMARK(FormerPair)->Arg(0)->Unit(benchmark::kMicrosecond);

// A layer as it was saved before the commit: each file written under a temporary name, the old one renamed to
// its backup, the new one into place.
void FormerPairKept(benchmark::State& state) {
    const std::vector<std::string> targets = {g_dir + "/formerkept.mif", g_dir + "/formerkept.mid"};
    const std::string* bytes[] = {&kMif, &kMid};
    for (auto _ : state) {
        bool ok = true;
        for (size_t i = 0; i < 2; ++i) ok = ok && DiskWritable(targets[i]) && DiskWriteAll(targets[i] + ".~tmp", *bytes[i]);
        for (size_t i = 0; i < 2; ++i) ok = ok && (!DiskExists(targets[i]) || DiskRename(targets[i], targets[i] + "~"));
        for (size_t i = 0; i < 2; ++i) ok = ok && DiskRename(targets[i] + ".~tmp", targets[i]);
        if (!ok) state.SkipWithError("the former save failed");
    }
}
BENCHMARK(FormerPairKept)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    BenchTempDir dir("commit_save");
    if (dir.Path().empty()) return 1;
    g_dir = dir.Path();
    RatioReporter reporter;
    reporter.AddRatio(".ini save, commit / plain write and rename, no flushes", "CommitIni/0", "PlainIni/0",
                      "(goal: at most 1.1)");
    reporter.AddRatio("MIF/MID save, commit / plain write and rename, no flushes", "CommitPair/0", "PlainPair/0",
                      "(goal: at most 1.1)");
    reporter.AddRatio(".ini save, commit / as saved before the commit, no flushes", "CommitIni/0", "FormerIni/0",
                      "(goal: at most 1.1)");
    reporter.AddRatio("MIF/MID save, commit / as saved before the commit, no flushes", "CommitPair/0", "FormerPair/0",
                      "(goal: at most 1.1)");
    reporter.AddRatio("MIF/MID save with backups, commit / as saved before the commit, no flushes", "CommitPairKept/0",
                      "FormerPairKept/0", "(goal: at most 1.1)");
    reporter.AddRatio(".ini save, the commit's flushes: with / without", "CommitIni/1", "CommitIni/0");
    reporter.AddRatio("MIF/MID save, the commit's flushes: with / without", "CommitPair/1", "CommitPair/0");
    reporter.AddRatio("MIF/MID save with backups, the commit's flushes: with / without", "CommitPairKept/1",
                      "CommitPairKept/0");
    reporter.AddRatio(".ini save flushed, commit / plain write and rename", "CommitIni/1", "PlainIni/1");
    reporter.AddRatio("MIF/MID save flushed, commit / plain write and rename", "CommitPair/1", "PlainPair/1");
    return RunWithRatios(argc, argv, reporter, [] {
        for (int i = 0; i < kOthers; ++i)
            if (!Write(g_dir + "/other" + std::to_string(i) + ".txt", "x", false)) return false;
        return true;
    });
}
