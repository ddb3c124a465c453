// Replacing the user's files so that each of their names holds a whole old or a whole new file at every
// instant, a kill included. A target that is a symbolic link stands for the file it names: that file is
// replaced, in its own folder, and the link stays. A new file is made in its target's folder and given the old
// file's owner, group, mode and extended attributes (its ACL among them) before anything is written into it;
// at the end the two are exchanged, so the old file is under the new one's working name until it takes its
// backup's name or goes (where the file system exchanges nothing, the old file gets its backup or a second name
// first and the new one is renamed over it). The working names are hidden files the program alone makes (".name.qm<pid>-<hex>.<kind>", each
// created exclusively), so no user file is ever overwritten or removed. A set of targets is committed under
// a log of what moves; a set caught half swapped is put back by the next DiskRecover of its first target.
// Commits in one folder take turns, so two programs saving one set at once leave one of their sets whole; one
// that cannot have its turn within a few seconds (another program stopped half way) fails with EDEADLK.
// The new files reach the disk (fsync) before they take the targets' names, and the folder after: a power cut
// leaves the old or the new set too.
#pragma once

#include <cerrno>
#include <string>
#include <vector>

// Why a file is not replaced: it belongs to another user, and the new file could not be given to that user (only
// the superuser can give a file away), so its owner could no longer open it.
inline constexpr int kDiskOtherOwner = EOWNERDEAD;

class TDiskWorkFile {
public:
    TDiskWorkFile() = default;
    // A file never committed leaves nothing.
    ~TDiskWorkFile();
    TDiskWorkFile(const TDiskWorkFile&) = delete;
    TDiskWorkFile& operator=(const TDiskWorkFile&) = delete;

    // 0, or the errno why no new file can take the target's place: EISDIR for a folder, EACCES for a
    // read-only file, kDiskOtherOwner for another user's file that this one cannot give away, or why its
    // folder takes no new file or the old file's access cannot be given to it. The file has no name where the file system allows
    // it (a killed writer then leaves nothing); else a working name named after `group`, the first target of
    // the set it is committed with. `reserve`: only a fresh working name is chosen, for a writer that creates
    // the file itself, exclusively.
    int Create(const std::string& target, const std::string& group = "", bool reserve = false);
    // -1 for a reserved name.
    int Fd() const { return fd_; }
    // Appends the bytes: 0, or the errno of the failed write.
    int Write(const void* data, size_t size);
    // A path that opens this file (GBK, as every path here).
    const std::string& Path() const { return path_; }

private:
    friend int DiskCommit(const std::vector<TDiskWorkFile*>&, const std::vector<std::string>&,
                          const std::vector<std::string>&, size_t*);
    void Release();

    int fd_ = -1;
    std::string path_;
    std::string named_;  // disk name of a named working file, "" when it has none
    std::string group_;  // disk name of the set's first target
    std::string asked_, file_;  // disk names of the target as given and of the file it stands for
    bool adopted_ = false;  // the file has the old one's owner and access already
};

// Gives each file its target's name, all or none. The old targets stay under `backups` where one is given
// ("" or a short list: none kept). 0, or the errno of the failed step with every target as it was (where even
// putting one back fails, the next DiskRecover of the set does it); `which` then gets the index of that target.
int DiskCommit(const std::vector<TDiskWorkFile*>& files, const std::vector<std::string>& targets,
               const std::vector<std::string>& backups, size_t* which = nullptr);

// As DiskCommit, for new files that already have names: on a failure they keep them.
int DiskCommitNamed(const std::vector<std::string>& news, const std::vector<std::string>& targets,
                    const std::vector<std::string>& backups, size_t* which = nullptr);

// Before a set whose first target is `target` is opened or saved: puts back the old set of a commit that was
// killed half way, and removes the working files that killed writers left there; another user's are left
// alone, and so is every old file not known to be spare. 0, or the errno why an old file could not be put
// back; EUCLEAN for a set that cannot be proven whole (a damaged log, files that are neither the old nor the
// new ones): nothing is moved. `failed` then gets the target's name, and the set's old files and log stay for
// the next call.
int DiskRecover(const std::string& target, std::string* failed = nullptr);
// After a save has replaced every file of the set, where DiskRecover found one it could not prove whole: the
// logs that stood in the way go, with the old files they name, which the new save has made spare.
void DiskRetire(const std::string& target);

// A reader's turn at the set whose first target is `target`, shared with other readers: while it is held no
// commit in the set's folder moves a file, so the files opened meanwhile are of one save. The set is put back
// first where a killed commit left it half swapped, as DiskRecover does.
class TDiskReadTurn {
public:
    explicit TDiskReadTurn(const std::string& target);
    ~TDiskReadTurn();
    TDiskReadTurn(TDiskReadTurn&& other) noexcept;
    TDiskReadTurn& operator=(TDiskReadTurn&&) = delete;

    // 0; EDEADLK when a commit kept the folder past the wait; else DiskRecover's errno.
    int Error() const { return err_; }
    // The file the error is about.
    const std::string& Failed() const { return failed_; }
    // For EUCLEAN, the files of the set that cannot be proven whole.
    const std::vector<std::string>& Set() const { return set_; }

private:
    int fd_ = -1;
    int err_ = 0;
    std::string failed_;
    std::vector<std::string> set_;
};

// For measurement only (a benchmark separating the cost of the flushes from the rest): false commits without
// flushing anything to the disk, for the whole process. Never called by the program.
void DiskCommitFlushes(bool on);
