// Runs a fuzz target over corpus files and folders (searched recursively), so
// the saved corpus is replayed as an ordinary test.
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Present when a sanitizer is linked in.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

// The input being replayed, named when the target dies on it.
std::string current;

void SayWhichInput() {
  static bool said = false;
  if (said || current.empty()) return;
  said = true;
  const char* what = "replay: failed on ";
  ssize_t ignored = ::write(2, what, std::strlen(what));
  ignored = ::write(2, current.data(), current.size());
  ignored = ::write(2, "\n", 1);
  (void)ignored;
}

void OnAbort(int sig) {
  SayWhichInput();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

bool ReplayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  current = path.string();
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  current.clear();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(SayWhichInput);
  std::signal(SIGABRT, OnAbort);
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path root(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_regular_file(root, ec)) {
      if (!ReplayFile(root)) return 1;
      ++files;
      continue;
    }
    if (!std::filesystem::is_directory(root, ec)) {
      std::fprintf(stderr, "replay: no such corpus file or folder: %s\n", argv[i]);
      return 1;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      if (!ReplayFile(entry.path())) return 1;
      ++files;
    }
  }
  std::printf("replayed %d corpus files\n", files);
  return files > 0 ? 0 : 1;
}
