// resgen [--name NAME] [--drawn] [--files DIR] (--out FILE.cpp | --list) FOLDER
// Packs the resource folder into a C++ source, or lists what it would pack;
// --drawn adds the resources the generators draw; --files names the folder
// the form descriptions' {@file:NAME} values are spliced from.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "ResGen.h"

int main(int argc, char** argv) {
  std::string name = "Program", out, folder, files;
  bool list = false;
  bool drawn = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--name" && i + 1 < argc) {
      name = argv[++i];
    } else if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--list") {
      list = true;
    } else if (arg == "--files" && i + 1 < argc) {
      files = argv[++i];
    } else if (arg == "--drawn") {
      drawn = true;
    } else if (folder.empty() && arg.rfind("--", 0) != 0) {
      folder = arg;
    } else {
      folder.clear();
      break;
    }
  }
  if (folder.empty() || (out.empty() && !list)) {
    std::fprintf(stderr,
                 "usage: resgen [--name NAME] [--drawn] [--files DIR] (--out FILE.cpp | --list) FOLDER\n");
    return 2;
  }
  try {
    auto resources = resgen::Collect(folder, drawn, files);
    if (list) std::cout << resgen::Listing(resources);
    if (!out.empty()) {
      // Written beside and renamed, so a failed run never leaves half a source for the build.
      std::string temporary = out + ".tmp";
      {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << resgen::Emit(resources, name);
        if (!file.flush()) throw resgen::Error(temporary + ": cannot write");
      }
      if (std::rename(temporary.c_str(), out.c_str()) != 0) throw resgen::Error(out + ": cannot write");
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "resgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
