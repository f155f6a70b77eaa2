// skinpack --theme NAME --out FILE.skn    a theme's package
// skinpack --all FOLDER                   the default package and every theme's, under their file names
// skinpack --folder DIR --out FILE.skn    the files DIR/members.txt lists, in its order
// skinpack --list FILE.skn                names and sizes of a package's members
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "skin/SkinLzh.h"
#include "skin/SkinReader.h"
#include "tools/skinpack/Container.h"
#include "tools/skinpack/SkinArt.h"

namespace {

namespace fs = std::filesystem;
using skinpack::PackError;

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError(path.string() + ": cannot read");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Written beside and renamed, so a failed run never leaves half a package.
void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw PackError(temporary.string() + ": cannot write");
  }
  fs::rename(temporary, path);
}

std::vector<skinpack::SkinMember> FolderMembers(const fs::path& dir) {
  std::ifstream list(dir / "members.txt");
  if (!list) throw PackError((dir / "members.txt").string() + ": cannot read");
  std::vector<skinpack::SkinMember> members;
  for (std::string line; std::getline(list, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty()) continue;
    members.push_back({line, ReadFile(dir / line)});
  }
  return members;
}

uint32_t Word(const std::vector<uint8_t>& b, size_t at) {
  if (at + 4 > b.size()) throw PackError("the container ends early");
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void List(const fs::path& path) {
  std::vector<uint8_t> package = ReadFile(path);
  const uint32_t size = Word(package, 0);
  if (size > skin::kSkinMaxPackageSize)
    throw PackError("not a package: it announces " + std::to_string(size) + " bytes");
  std::vector<uint8_t> c = skin::LzhDecode(size, package.data() + 4, package.size() - 4);
  if (Word(c, 0) != 20000) throw PackError("not a package of this format");
  const uint32_t length = Word(c, 4);
  if (16 + uint64_t{length} > c.size()) throw PackError("the name list ends early");
  std::vector<std::string> names;
  std::string all(c.begin() + 16, c.begin() + 16 + length);
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find("\r\n", at);
    if (end == std::string::npos) end = all.size();
    names.push_back(all.substr(at, end - at));
    at = end + 2;
  }
  for (size_t i = 0; i < names.size(); ++i)
    std::cout << names[i] << "\t" << Word(c, 16 + length + 4 * i) << "\n";
}

int Usage() {
  std::fprintf(stderr,
               "usage: skinpack --theme NAME --out FILE.skn | --all FOLDER | --folder DIR --out FILE.skn | "
               "--list FILE.skn\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string theme, out, folder, list, all;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (arg == "--theme")
      theme = value;
    else if (arg == "--out")
      out = value;
    else if (arg == "--folder")
      folder = value;
    else if (arg == "--list")
      list = value;
    else if (arg == "--all")
      all = value;
    else
      return Usage();
  }
  try {
    if (!list.empty()) {
      List(list);
    } else if (!all.empty()) {
      fs::create_directories(all);
      for (const skinpack::Theme& t : skinpack::Themes())
        WriteFile(fs::path(all) / t.file, skinpack::PackSkin(skinpack::DrawSkin(t)));
    } else if (!theme.empty() && !out.empty()) {
      const skinpack::Theme* t = skinpack::FindTheme(theme);
      if (!t) throw PackError("no theme named " + theme);
      WriteFile(out, skinpack::PackSkin(skinpack::DrawSkin(*t)));
    } else if (!folder.empty() && !out.empty()) {
      WriteFile(out, skinpack::PackSkin(FolderMembers(folder)));
    } else {
      return Usage();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skinpack: %s\n", e.what());
    return 1;
  }
  return 0;
}
