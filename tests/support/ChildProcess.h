#pragma once
// Another process's hand in a test: a forked child that does one plain thing.
#include <string>

namespace testsupport {

// A child process writes `text` beside `path` and renames it over `path`, as
// a program saving a file safely does. True when the child succeeded. The
// child makes no call into the program's own code.
bool ReplaceFileInChild(const std::string& path, const std::string& text);

}  // namespace testsupport
