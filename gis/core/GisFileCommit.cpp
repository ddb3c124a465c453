#include "gis/core/GisFileCommit.h"

#include <algorithm>
#include <cerrno>

#include "gis/core/GisDefs.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/DiskCommit.h"
#include "platform/rtl/FileIO.h"

void GisRaiseWriteError(const std::string& path, int code) {
    EGIS_Exception e(GIS_RS_ERR_FILEWRITE, path, code);
    if (const std::string why = FileErrorText(code); !why.empty()) e.Message += " " + why;
    throw e;
}

void GisRaiseReadError(const std::string& path, int code) {
    std::string message = Format(GIS_RS_ERR_FILEMAPPING, {code, path});
    if (const std::string why = FileErrorText(code, true); !why.empty()) message += " " + why;
    throw EFOpenError(message, path, code);
}

TDiskReadTurn GisRecoverFiles(const std::string& path) {
    TDiskReadTurn turn(path);
    if (const int err = turn.Error()) {
        EGIS_Exception e(GIS_RS_ERR_FILEWRITE, turn.Failed(), err);
        if (err == EUCLEAN) {
            std::string names;
            for (const std::string& f : turn.Set()) names += (names.empty() ? "" : "、") + f;
            e.Message += " 上次保存中断，无法确认这些文件是同一次保存的，文件没有打开：" + names + "。";
        } else {
            e.Message += err == EDEADLK ? " " + FileErrorText(err, true) : " 上次保存中断，未能恢复原来的文件。";
        }
        throw e;
    }
    return turn;
}

TGIS_FileCommit::TGIS_FileCommit(std::vector<std::string> targets, std::vector<size_t> selfMade)
    : targets_(std::move(targets)), selfMade_(std::move(selfMade)), files_(targets_.size()), paths_(targets_.size()) {}

TGIS_FileCommit::~TGIS_FileCommit() = default;

std::string TGIS_FileCommit::TempName(size_t i) {
    auto& file = files_.at(i);
    if (!file) {
        auto made = std::make_unique<TDiskWorkFile>();
        const bool self = std::find(selfMade_.begin(), selfMade_.end(), i) != selfMade_.end();
        if (const int err = made->Create(targets_[i], targets_[0], self)) GisRaiseWriteError(targets_[i], err);
        file = std::move(made);
        paths_[i] = file->Path();
    }
    return file->Path();
}

void TGIS_FileCommit::CheckTargets() {
    // A new save replaces the whole set anyway: a set that cannot be put back is no reason to refuse it.
    if (!targets_.empty()) unproven_ = DiskRecover(targets_[0]) == EUCLEAN;
    // A layer saved under its companion's name ("x.dbf" for a shapefile) would write two files into one.
    for (size_t i = 0; i < targets_.size(); ++i)
        for (size_t j = i + 1; j < targets_.size(); ++j)
            if (targets_[i] == targets_[j]) {
                EGIS_Exception e(GIS_RS_ERR_FILEWRITE, targets_[i], EEXIST);
                e.Message += " 图层的两个文件同名，请换一个文件名。";
                throw e;
            }
    for (const std::string& t : targets_) {
        errno = 0;
        if (!DiskWritable(t)) GisRaiseWriteError(t, errno != 0 ? errno : EACCES);
    }
    for (size_t i = 0; i < targets_.size(); ++i) TempName(i);
}

void TGIS_FileCommit::Abandon() {
    done_ = true;
    files_.clear();
}

void TGIS_FileCommit::Commit() {
    if (done_) return;
    std::vector<TDiskWorkFile*> files;
    std::vector<std::string> backups;
    for (size_t i = 0; i < targets_.size(); ++i) {
        TempName(i);
        files.push_back(files_[i].get());
        backups.push_back(GisBackupName(targets_[i]));
    }
    size_t which = 0;
    if (const int err = DiskCommit(files, targets_, backups, &which)) {
        Abandon();
        GisRaiseWriteError(targets_[which], err);
    }
    Abandon();
    // The set is whole again: what kept it from being opened goes.
    if (unproven_) DiskRetire(targets_[0]);
}

void TGIS_FileCommit::Rethrow(std::exception_ptr error) const {
    try {
        std::rethrow_exception(error);
    } catch (const EStreamError& e) {
        for (size_t i = 0; i < targets_.size(); ++i)
            if (!e.FileName.empty() && e.FileName == paths_[i])
                GisRaiseWriteError(targets_[i], e.ErrorCode);
        throw;
    }
}
