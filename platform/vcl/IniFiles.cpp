#include "platform/vcl/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <optional>

#include "platform/kernel/Files.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCustomIniFile)
VCL_IMPLEMENT_CLASS(TMemIniFile)
VCL_IMPLEMENT_CLASS(TIniFile)

namespace {

// Read-modify-write of a file through TIniFile is one step for every thread.
std::mutex file_mutex;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string TrimBlanks(const std::string& s) {
  const char* blanks = " \t";
  auto first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

// A line of a section: an entry, or a comment or blank line kept as it was.
struct TMemIniFile::Model {
  struct Line {
    bool entry = false;
    std::string key;
    std::string value;  // the raw text of a line that is not an entry
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  std::vector<std::string> preamble;
  std::vector<Section> sections;

  Section* Find(const std::string& name) {
    for (Section& s : sections)
      if (SameName(s.name, name)) return &s;
    return nullptr;
  }

  Line* FindKey(Section& section, const std::string& key) {
    for (Line& line : section.lines)
      if (line.entry && SameName(line.key, key)) return &line;
    return nullptr;
  }

  void Parse(std::istream& in) {
    preamble.clear();
    sections.clear();
    Section* current = nullptr;
    bool merging = false;
    std::string raw;
    while (std::getline(in, raw)) {
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      std::string t = TrimBlanks(raw);
      if (!t.empty() && t[0] == '[') {
        auto close = t.find(']');
        std::string name =
            TrimBlanks(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        // A repeated section continues the first one of that name.
        current = Find(name);
        merging = current != nullptr;
        if (!current) current = &sections.emplace_back(Section{name, {}});
        continue;
      }
      Line line;
      auto eq = t.find('=');
      if (current && !t.empty() && t[0] != ';' && eq != std::string::npos) {
        line.entry = true;
        line.key = TrimBlanks(t.substr(0, eq));
        line.value = TrimBlanks(t.substr(eq + 1));
        // The first of two equal keys is the one that counts.
        if (FindKey(*current, line.key)) continue;
        if (merging) {
          Insert(*current, std::move(line));
          continue;
        }
      } else {
        line.value = raw;
      }
      if (current)
        current->lines.push_back(std::move(line));
      else
        preamble.push_back(raw);
    }
  }

  std::string Text() const {
    std::string text;
    for (const std::string& line : preamble) text += line + "\r\n";
    for (const Section& s : sections) {
      text += "[" + s.name + "]\r\n";
      for (const Line& line : s.lines)
        text += (line.entry ? line.key + "=" + line.value : line.value) + "\r\n";
    }
    return text;
  }

  void Write(const std::string& section, const std::string& key, const std::string& value) {
    Section* s = Find(section);
    if (!s) {
      // A blank line between sections, as people write them.
      if (!sections.empty()) {
        auto& last = sections.back().lines;
        if (last.empty() || last.back().entry || !TrimBlanks(last.back().value).empty())
          last.push_back(Line{});
      }
      s = &sections.emplace_back(Section{section, {}});
    }
    if (Line* line = FindKey(*s, key)) {
      line->value = value;
      return;
    }
    Insert(*s, Line{true, key, value});
  }

  // A new entry goes after the section's last entry, before the comments and
  // blank lines that close it.
  static void Insert(Section& section, Line line) {
    auto at = section.lines.end();
    while (at != section.lines.begin() && !(at - 1)->entry) --at;
    if (at == section.lines.begin())
      at = std::find_if(section.lines.begin(), section.lines.end(),
                        [](const Line& l) { return TrimBlanks(l.value).empty(); });
    section.lines.insert(at, std::move(line));
  }
};

// ---- TCustomIniFile -------------------------------------------------------

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int default_value) {
  std::string text = ReadString(section, ident, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
  return StrToIntDef(text, default_value);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool default_value) {
  return StrToIntDef(ReadString(section, ident, ""), default_value ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double default_value) {
  std::string text = ReadString(section, ident, "");
  double value;
  return !text.empty() && TryStrToFloat(text, value) ? value : default_value;
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

bool TCustomIniFile::SectionExists(const std::string& section) {
  TStringList keys;
  ReadSection(section, &keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  TStringList keys;
  ReadSection(section, &keys);
  return keys.IndexOf(ident) >= 0;
}

// ---- TMemIniFile ----------------------------------------------------------

TMemIniFile::TMemIniFile(const std::string& file_name) : TCustomIniFile(file_name), model_(new Model) {
  Reload();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Reload() {
  std::ifstream in(plat::ResolvePath(FileName()), std::ios::binary);
  model_->Parse(in);
}

void TMemIniFile::Rename(const std::string& file_name, bool reload) {
  SetFileName(file_name);
  if (reload) Reload();
}

void TMemIniFile::Clear() {
  model_->preamble.clear();
  model_->sections.clear();
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& default_value) {
  if (Model::Section* s = model_->Find(section))
    if (Model::Line* line = model_->FindKey(*s, ident)) return line->value;
  return default_value;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  // Anything that would read back as other lines, sections or comments.
  const std::string s = TrimBlanks(section), k = TrimBlanks(ident);
  if (s.empty() || k.empty() || HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value) ||
      s.find(']') != std::string::npos || k.find('=') != std::string::npos || k[0] == '[' || k[0] == ';')
    throw EIniFileException("Unable to write to %s", {FileName()});
  model_->Write(s, k, TrimBlanks(value));
}

void TMemIniFile::ReadSection(const std::string& section, TStrings* strings) {
  strings->BeginUpdate();
  strings->Clear();
  if (Model::Section* s = model_->Find(section))
    for (const Model::Line& line : s->lines)
      if (line.entry) strings->Add(line.key);
  strings->EndUpdate();
}

void TMemIniFile::ReadSections(TStrings* strings) {
  strings->BeginUpdate();
  strings->Clear();
  for (const Model::Section& s : model_->sections) strings->Add(s.name);
  strings->EndUpdate();
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
  strings->BeginUpdate();
  strings->Clear();
  if (Model::Section* s = model_->Find(section))
    for (const Model::Line& line : s->lines)
      if (line.entry) strings->Add(line.key + "=" + line.value);
  strings->EndUpdate();
}

bool TMemIniFile::RemoveSection(const std::string& section) {
  return std::erase_if(model_->sections, [&](const Model::Section& s) { return SameName(s.name, section); }) >
         0;
}

bool TMemIniFile::RemoveKey(const std::string& section, const std::string& ident) {
  Model::Section* s = model_->Find(section);
  return s && std::erase_if(s->lines, [&](const Model::Line& line) {
                return line.entry && SameName(line.key, ident);
              }) > 0;
}

void TMemIniFile::EraseSection(const std::string& section) { RemoveSection(section); }

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  RemoveKey(section, ident);
}

void TMemIniFile::UpdateFile() {
  const std::string path = plat::ResolvePath(FileName());
  const std::string text = model_->Text();
  auto slash = path.find_last_of('/');
  std::string temp =
      (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".quellix-ini-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) throw EIniFileException("Unable to write to %s", {FileName()});
  struct stat st;
  bool ok = fchmod(fd, stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644) == 0;
  for (size_t done = 0; ok && done < text.size();) {
    ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) done += static_cast<size_t>(put);
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    throw EIniFileException("Unable to write to %s", {FileName()});
  }
}

// ---- TIniFile -------------------------------------------------------------

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& default_value) {
  std::lock_guard lock(file_mutex);
  Reload();
  return TMemIniFile::ReadString(section, ident, default_value);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  std::lock_guard lock(file_mutex);
  Reload();
  TMemIniFile::WriteString(section, ident, value);
  TMemIniFile::UpdateFile();
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) {
  std::lock_guard lock(file_mutex);
  Reload();
  TMemIniFile::ReadSection(section, strings);
}

void TIniFile::ReadSections(TStrings* strings) {
  std::lock_guard lock(file_mutex);
  Reload();
  TMemIniFile::ReadSections(strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
  std::lock_guard lock(file_mutex);
  Reload();
  TMemIniFile::ReadSectionValues(section, strings);
}

void TIniFile::EraseSection(const std::string& section) {
  std::lock_guard lock(file_mutex);
  Reload();
  if (RemoveSection(section)) TMemIniFile::UpdateFile();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  std::lock_guard lock(file_mutex);
  Reload();
  if (RemoveKey(section, ident)) TMemIniFile::UpdateFile();
}

}  // namespace vcl
