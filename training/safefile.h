// Replacing a small file so that a crash or power loss at any moment leaves
// either the old file or the new one, never a part of either: the bytes go
// to a temporary file beside it, are flushed to the disk, and the temporary
// file is then renamed over the old one.
#pragma once

#include <string>

// Writes bytes to path + ".tmp", flushes it to the disk and renames it to
// path. Returns nonzero on success; on failure path is untouched and the
// temporary file is removed.
int ReplaceFileContents(const char* path, const std::string& bytes);

// Nonzero when nothing is at path (as opposed to a file that is there but
// cannot be opened: no access, locked, a folder of that name).
int FileIsMissing(const char* path);
// Nonzero when path is a plain file (not a folder or a device).
int FileIsRegular(const char* path);
