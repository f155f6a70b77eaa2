#pragma once
// The desktop's base folders (XDG base directories) and the quoting rules of
// desktop entry files, shared by the autostart, association and trash code.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// $XDG_CONFIG_HOME, else ~/.config.
std::string XdgConfigHome();
// The first folder of $XDG_CONFIG_DIRS, else /etc/xdg.
std::string XdgFirstConfigDir();
// $XDG_DATA_HOME, else ~/.local/share.
std::string XdgDataHome();
// $XDG_RUNTIME_DIR when set and absolute, else empty.
std::string XdgRuntimeDir();

// One argument of an Exec line: quoted when it holds a reserved character,
// with "%" doubled. Nothing for an argument with control characters.
std::optional<std::string> DesktopExecArgument(std::string_view arg);
// A string value of a desktop entry with its escapes (\\ \s at the start);
// nothing for text with control characters.
std::optional<std::string> DesktopStringValue(std::string_view text);
// Characters outside [A-Za-z0-9._-] become "_"; an empty name gives "entry".
std::string SafeFileName(std::string_view name);
// Writes `text` to a new file beside `path` and renames it over `path`, so a
// crash leaves the old or the new file. False with errno set on failure.
bool ReplaceFileText(const std::string& path, const std::string& text);
// Reads a whole (small) file; nothing when it cannot be read.
std::optional<std::string> ReadFileText(const std::string& path);

}  // namespace plat
