#include "gis/core/GisFileCommit.h"

#include <cerrno>

#include "gis/core/GisDefs.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/FileIO.h"

void GisRaiseWriteError(const std::string& path, int code) {
    EGIS_Exception e(GIS_RS_ERR_FILEWRITE, path, code);
    if (const std::string why = FileErrorText(code); !why.empty()) e.Message += " " + why;
    throw e;
}

std::string TGIS_FileCommit::TempName(size_t i) const { return GisTempName(targets_.at(i)); }

void TGIS_FileCommit::CheckTargets() const {
    for (const std::string& t : targets_) {
        errno = 0;
        if (!DiskWritable(t)) GisRaiseWriteError(t, errno != 0 ? errno : EACCES);
    }
}

void TGIS_FileCommit::Abandon() {
    if (done_) return;
    done_ = true;
    for (size_t i = 0; i < targets_.size(); ++i) DiskRemove(TempName(i));
}

void TGIS_FileCommit::Commit() {
    if (done_) return;
    std::vector<std::string> temps, backups;
    for (size_t i = 0; i < targets_.size(); ++i) {
        temps.push_back(TempName(i));
        backups.push_back(GisBackupName(targets_[i]));
    }
    size_t which = 0;
    if (const int err = DiskSwapIn(temps, targets_, backups, &which)) {
        Abandon();
        GisRaiseWriteError(targets_[which], err);
    }
    done_ = true;
}

void TGIS_FileCommit::Rethrow(std::exception_ptr error) const {
    try {
        std::rethrow_exception(error);
    } catch (const EStreamError& e) {
        for (size_t i = 0; i < targets_.size(); ++i)
            if (!e.FileName.empty() && e.FileName == TempName(i)) GisRaiseWriteError(targets_[i], e.ErrorCode);
        throw;
    }
}
