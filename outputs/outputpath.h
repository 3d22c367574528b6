// Where an output's file really is, worked out in one place for the clash
// check, the up-front probe and the writing itself: symbolic links are
// followed to the file they reach, and a dangling link to where a file made
// through it would be created, so that two outputs spelt differently are
// still seen to be one file.
#pragma once

#include <sys/stat.h>

#include <string>

struct OutputPath {
    std::string target;    // where the file is or will be made: the path given when no link is involved
    bool exists = false;   // `status` holds the file's status
    bool unnamed = false;  // a link reaches a file it cannot name (/dev/stdout open on a deleted
                           // file): it can only be written in place, through the path given
    struct stat status {};
};

// Resolves `path`. Returns 0, or the errno when it cannot be (a loop of
// links, a directory that may not be searched); a missing directory is not
// an error here: making the file there fails later and says so.
int resolveOutputPath(const std::string& path, OutputPath* resolved);

// The directory part of `path` with its trailing slash ("" for a bare name).
std::string directoryOf(const std::string& path);

// The directory `target` will be made in, as an absolute path without links
// (the target unchanged when it cannot be), followed by its last name: the same
// string for two spellings of one file not made yet.
std::string plannedFileKey(const std::string& target);
