#pragma once
// No output destroys an input: readers note the files they read, writers
// refuse those as targets, and every written file goes to a temporary name in
// its target's folder that replaces the target only once it is complete. A
// crash leaves the old file or the new one, never a torn one.
#include <string>

namespace files {

// `reader` reads `name` until ForgetFileReader(reader).
void NoteFileReader(const void* reader, const std::string& name);
void ForgetFileReader(const void* reader);
// True when a reader other than `except` reads the file `name` names (the
// same file under any spelling or link).
bool IsFileOpenForReading(const std::string& name, const void* except = nullptr);

// A name that exists nowhere yet, in the folder of `target`.
std::string TemporaryFileName(const std::string& target);
// Renames `temporary` over `target` in one step; false, and `temporary`
// left, when that fails.
bool ReplaceFileWith(const std::string& temporary, const std::string& target);

}  // namespace files
