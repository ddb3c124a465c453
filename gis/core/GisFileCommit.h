// Replacing a set of files that belong together (a shapefile's three, a MIF and its MID): each new file is made
// in its target's folder, written, and then all take their targets' names at once (DiskCommit), the previous
// files kept under GisBackupName. A killed save leaves every target whole and its new files nowhere.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/DiskCommit.h"

class TGIS_FileCommit {
public:
    // `selfMade`: the targets whose writers create their files themselves; they get a fresh name only.
    explicit TGIS_FileCommit(std::vector<std::string> targets, std::vector<size_t> selfMade = {});
    // Without a Commit the new files vanish: the targets and their backups stay as they were.
    ~TGIS_FileCommit();
    TGIS_FileCommit(const TGIS_FileCommit&) = delete;
    TGIS_FileCommit& operator=(const TGIS_FileCommit&) = delete;

    // The path to write target i at, made on first use; 0032 when no new file can be made for it.
    std::string TempName(size_t i);
    const std::vector<std::string>& Targets() const { return targets_; }
    // Puts back a set that a killed save left half replaced, then raises 0032 for the first target that may
    // not be replaced (a read-only file, a folder, a folder that takes no new file), before any work.
    void CheckTargets();
    // The current targets become the backups, the new files take the targets' names. A target that may not be
    // replaced, a backup that cannot be made or a rename that fails raises 0032 (system error, target) with
    // every target as it was.
    void Commit();
    // Drops the new files.
    void Abandon();
    // Raises `error` again; a stream error on one of the new files becomes 0032 on its target.
    [[noreturn]] void Rethrow(std::exception_ptr error) const;

private:
    std::vector<std::string> targets_;
    std::vector<size_t> selfMade_;
    std::vector<std::unique_ptr<TDiskWorkFile>> files_;
    std::vector<std::string> paths_;  // of the new files, as their writers named them in errors
    bool done_ = false;
    bool unproven_ = false;  // a killed save left a set that could not be proven whole
};

// 0032 for a file the user named, the cause in words after the kernel's numbered text.
[[noreturn]] void GisRaiseWriteError(const std::string& path, int code);
// 0030 for a file that is there but cannot be read, the cause in words after the kernel's numbered text.
[[noreturn]] void GisRaiseReadError(const std::string& path, int code);
// Held while a layer opens the set whose first file is `path`: no save moves the set's files meanwhile, and a
// set a killed save left half replaced is put back first. 0032 on the file that could not be, or when another
// program keeps saving in the folder past the wait.
[[nodiscard]] TDiskReadTurn GisRecoverFiles(const std::string& path);
