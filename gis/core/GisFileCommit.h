// Replacing a set of files that belong together (a shapefile's three, a MIF and its MID): each is written beside
// its target under GisTempName, then all are swapped in at once, the previous files kept under GisBackupName.
#pragma once

#include <exception>
#include <string>
#include <vector>

class TGIS_FileCommit {
public:
    explicit TGIS_FileCommit(std::vector<std::string> targets) : targets_(std::move(targets)) {}
    // Without a Commit the temporary files are deleted: the targets and their backups stay as they were.
    ~TGIS_FileCommit() { Abandon(); }
    TGIS_FileCommit(const TGIS_FileCommit&) = delete;
    TGIS_FileCommit& operator=(const TGIS_FileCommit&) = delete;

    // The name to write for target i.
    std::string TempName(size_t i) const;
    const std::vector<std::string>& Targets() const { return targets_; }
    // Raises 0032 for the first target that may not be replaced (a read-only file, a folder), before any work.
    void CheckTargets() const;
    // The current targets become the backups, the temporary files take the targets' names. A target that may
    // not be replaced, a backup that cannot be made or a rename that fails raises 0032 (system error, target)
    // with every target and the temporary files as they were.
    void Commit();
    // Deletes the temporary files that are left.
    void Abandon();
    // Raises `error` again; a stream error on one of the temporary files becomes 0032 on its target.
    [[noreturn]] void Rethrow(std::exception_ptr error) const;

private:
    std::vector<std::string> targets_;
    bool done_ = false;
};

// 0032 for a file the user named, the cause in words after the kernel's numbered text.
[[noreturn]] void GisRaiseWriteError(const std::string& path, int code);
