// Replacing a set of files that belong together (a shapefile's three, a MIF and its MID): each is written beside
// its target under GisTempName, then all are swapped in at once, the previous files kept under GisBackupName.
#pragma once

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
    // Old backups are deleted, the current targets become the backups, the temporary files take the targets'
    // names. A rename that fails raises 0032 (system error, target) after putting every target back as it was.
    void Commit();
    // Deletes the temporary files that are left.
    void Abandon();

private:
    std::vector<std::string> targets_;
    bool done_ = false;
};
