// INI file access used by the settings store: the Windows private-profile
// calls on Windows, a file-backed implementation of the same behaviour
// elsewhere.
#pragma once

namespace VdProfile {

// Copies the value of key in section of file into buffer, or def when the
// file, section or key is missing. Names compare case-insensitively;
// surrounding blanks and one pair of enclosing quotes are dropped; the text
// is cut to size - 1 characters and NUL-terminated. Returns its length.
int GetString(const char* section, const char* key, const char* def, char* buffer, int size,
              const char* file);

// Sets key in section of file to value, creating the file, the section (at
// the end of the file) or the key (at the end of its section) as needed.
// Other lines stay as they are. Returns nonzero on success.
int WriteString(const char* section, const char* key, const char* value, const char* file);

// Saving a whole file safely: BeginRewrite makes temp a copy of file (empty
// when file is missing); the caller writes its keys into temp; CommitRewrite
// flushes temp to disk and moves it over file in one step. Nonzero on
// success; a failed commit leaves file as it was.
int BeginRewrite(const char* file, const char* temp);
int CommitRewrite(const char* temp, const char* file);

}  // namespace VdProfile
