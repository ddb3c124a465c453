// Files by their GBK names. Names on disk are UTF-8; a name that is not valid GBK (or holds a NUL) has no
// name on disk and is never opened under another one: the call fails with errno EILSEQ and touches nothing.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

// False, with `out` untouched, when the name has no form on the other side.
bool GbkToDiskName(const std::string& gbk, std::string& disk);
bool DiskNameToGbk(const std::string& disk, std::string& gbk);

// As open(2), fopen, rename, remove, stat and access, with GBK paths (open truncates no file already empty).
int DiskOpen(const std::string& path, int flags, mode_t mode = 0);
std::FILE* DiskFOpen(const std::string& path, const char* mode);
bool DiskRename(const std::string& from, const std::string& to);
bool DiskRemove(const std::string& path);
bool DiskStat(const std::string& path, struct stat& st);
bool DiskAccess(const std::string& path, int mode);
bool DiskExists(const std::string& path);
// Whether a file may be replaced: a missing one may; an existing one needs a write bit (the read-only mark,
// which holds for every user) and the caller's write access. False with errno set otherwise.
bool DiskWritable(const std::string& path);
// The same for a name on disk.
bool DiskNameWritable(const std::string& disk);
// The modification time of a file as a local date and time; -1 when it cannot be read.
double FileAge(const std::string& path);
// Opens the stream on the file; false when it did not open.
bool DiskOpenStream(std::ifstream& f, const std::string& path, std::ios::openmode mode = std::ios::binary);
bool DiskOpenStream(std::ofstream& f, const std::string& path, std::ios::openmode mode = std::ios::binary);
// The whole file; false when it could not be opened or read (or, writing, written whole).
bool DiskReadAll(const std::string& path, std::string& bytes);
bool DiskWriteAll(const std::string& path, const std::string& bytes);
// Writes all the bytes to an open file: 0, or the errno of the write that failed.
int DiskWriteFd(int fd, const void* data, size_t size);

// Why a file could not be written (or, `reading`, read), from its errno: Chinese for the common causes (a
// missing file, writing, is taken for a missing folder), the system's own text for the rest ("" for 0).
std::string FileErrorText(int code, bool reading = false);

// Writes the bytes into a new file beside the target and renames it over the target (DiskCommit), so the name
// holds the whole old or the whole new file at every instant; a file that may not be written is refused as a
// write in place would be. With a backup name, the old file (when there is one) stays under it, replacing an
// older backup. 0, or the errno of the failed step: the file is as it was then.
int DiskReplace(const std::string& path, const std::string& bytes, const std::string& backup = "");

// Moves each finished temporary file onto its target, all or none (DiskCommitNamed): the existing targets stay
// under their aside names too (replacing what is there), then the temporary files take the targets' names. 0,
// or the errno of the failed step: then every target is as it was and the temporary files are still there. A
// target that may not be written is refused before anything moves. `which`, when given, gets the index of the
// target whose step failed.
int DiskSwapIn(const std::vector<std::string>& temps, const std::vector<std::string>& targets,
               const std::vector<std::string>& asides, size_t* which = nullptr);

// The full form of a path: a relative one starts in the current folder; "." and ".." parts are resolved by
// name, and repeated '/' collapse.
std::string ExpandFileName(const std::string& path);
