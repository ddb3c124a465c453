#include "gis/core/GisFileCommit.h"

#include <cerrno>

#include "gis/core/GisDefs.h"
#include "platform/rtl/FileIO.h"

std::string TGIS_FileCommit::TempName(size_t i) const { return GisTempName(targets_.at(i)); }

void TGIS_FileCommit::Abandon() {
    if (done_) return;
    done_ = true;
    for (size_t i = 0; i < targets_.size(); ++i) DiskRemove(TempName(i));
}

void TGIS_FileCommit::Commit() {
    if (done_) return;
    const size_t n = targets_.size();
    std::vector<bool> existed(n, false), backedUp(n, false);
    for (size_t i = 0; i < n; ++i) {
        const std::string backup = GisBackupName(targets_[i]);
        DiskRemove(backup);
        existed[i] = DiskExists(targets_[i]);
        backedUp[i] = existed[i] && DiskRename(targets_[i], backup);
    }
    for (size_t i = 0; i < n; ++i) {
        if (DiskRename(TempName(i), targets_[i])) continue;
        const int err = errno;
        // Every target back as it was: swapped-in files give way to their backups, new ones go.
        for (size_t k = 0; k < n; ++k) {
            if (backedUp[k])
                DiskRename(GisBackupName(targets_[k]), targets_[k]);
            else if (k < i && !existed[k])
                DiskRemove(targets_[k]);
        }
        Abandon();
        throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, targets_[i], err);
    }
    done_ = true;
}
