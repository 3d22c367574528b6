// Making what was written survive a crash: a file's data and its
// directory's entry synced to the disk (fsync). For the whole-file
// replacements (outputs/replace) and the run log (outputs/logappend).
#pragma once

#include <string>

// Syncs the directory `path` is in ("." for a bare name), so that a file
// made or renamed there survives a crash. A file system that cannot sync a
// directory (EINVAL) is taken as done. Returns 0 or the errno.
int syncDirectoryOf(const std::string& path);

// Syncs the regular file at `path`, opened afresh for reading (for writing
// when it may not be read). Returns 0 or the errno.
int syncFile(const std::string& path);

// Syncs the file open on `fd`; a pipe or a device, which has nothing to
// sync (EINVAL), is taken as done. Returns 0 or the errno.
int syncDescriptor(int fd);
