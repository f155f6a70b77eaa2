// The program itself on a real X display: started with the virtual devices and
// a tone on the file input, it draws the tone's spectrum in a window that
// wears the default skin, then closes when asked as the window manager asks.
// Skipped where there is no display.
//
// The test prints how long the first drawn spectrum took and the program's
// resident memory while it analyses. QUELLIX_SMOKE_PROGRAM names another
// build of the program to measure (for example the release build).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ThemeColours.h"
#include "app/Settings.h"
#include "platform/registry/Registry.h"
#include "support/TempDir.h"
// Last: the X headers it pulls in define macros that clash with names above.
#include "app/ScreenSupport.h"

namespace {

#ifdef QUELLIX_HAVE_XLIB

using Clock = std::chrono::steady_clock;

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

// One second of a full-scale stereo sine, 16 bit at 44100 Hz, as a wave file.
void WriteTone(const std::string& path, double frequency) {
  constexpr uint32_t kRate = 44100;
  std::string data;
  for (uint32_t i = 0; i < kRate; ++i) {
    const auto v = static_cast<int16_t>(std::lround(32000.0 * std::sin(2 * M_PI * frequency * i / kRate)));
    Put(data, static_cast<uint16_t>(v), 2);
    Put(data, static_cast<uint16_t>(v), 2);
  }
  std::string file = "RIFF";
  Put(file, static_cast<uint32_t>(36 + data.size()), 4);
  file += "WAVEfmt ";
  Put(file, 16, 4);
  Put(file, 1, 2);  // PCM
  Put(file, 2, 2);
  Put(file, kRate, 4);
  Put(file, kRate * 4, 4);
  Put(file, 4, 2);
  Put(file, 16, 2);
  file += "data";
  Put(file, static_cast<uint32_t>(data.size()), 4);
  std::ofstream(path, std::ios::binary) << file << data;
}

// Resident memory of a process in kB, 0 when it cannot be read.
long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// Pixels of the spectrum's first bar colour (yellow) in the program's window,
// left of its level meters.
int SpectrumPixels(apptest::XScreenshot& shot, pid_t pid) {
  const auto r = shot.WindowRect(shot.WindowOfProcess(pid));
  if (!r) return 0;
  auto pixels = shot.Area(r->left, r->top, r->right - r->left - 200, r->bottom - r->top);
  if (!pixels) return 0;
  int count = 0;
  for (uint32_t p : *pixels) count += p == 0xFFFF00;
  return count;
}

// Windows of another process come and go while the test reads the screen: a
// request about one that is gone fails, and the test program goes on to
// reap what it started.
TEST(ScreenReading, RequestsAboutWindowsThatAreGoneFail) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no DISPLAY";
  apptest::XScreenshot shot;
  if (!shot.Ready()) GTEST_SKIP() << "cannot read the X screen";
  constexpr Window kGone = 0x3FFFFFFE;  // no client has this id
  EXPECT_FALSE(shot.WindowRect(kGone).has_value());
  shot.AskToClose(kGone);
  const auto [width, height] = shot.ScreenSize();
  EXPECT_FALSE(shot.Area(width - 1, height - 1, 2, 2).has_value()) << "an area past the screen";
  EXPECT_EQ(shot.WindowOfProcess(getpid()), 0u);
  EXPECT_TRUE(shot.Area(0, 0, 1, 1).has_value()) << "the connection still serves";
}

TEST(ProgramOnScreen, DrawsTheSpectrumOfAToneAndClosesWhenAsked) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no DISPLAY";
  apptest::XScreenshot shot;
  if (!shot.Ready()) GTEST_SKIP() << "cannot read the X screen";
  ASSERT_TRUE(shot.Area(0, 0, 1, 1).has_value()) << "the X screen has an unexpected pixel format";

  testsupport::TempDir temp;
  const std::string tone = temp.File("tone.wav");
  WriteTone(tone, 1000.0);
  // The stored input is the file input (after the loopback input), so the
  // analyser hears the tone from its first buffer.
  const std::string registry = temp.File("registry.reg");
  plat::RegistrySetStorePath(registry);
  app::WriteInteger("DeviceID in", 1);
  app::WriteBool("soundIn", true);
  app::WriteBool("soundOut", true);
  plat::RegistrySetStorePath("");

  const char* other = std::getenv("QUELLIX_SMOKE_PROGRAM");
  const std::string program =
      other && *other ? other
                      : (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "quellix").string();
  std::vector<std::string> env = {"DISPLAY=" + std::string(display),
                                  "QUELLIX_BACKEND=sdl",
                                  "QUELLIX_AUDIO=virtual",
                                  "QUELLIX_AUDIO_FILE=" + tone,
                                  "QUELLIX_REGISTRY=" + registry,
                                  "HOME=" + temp.path().string(),
                                  "XDG_DATA_HOME=" + temp.File("data"),
                                  "XDG_CONFIG_HOME=" + temp.File("config")};
  for (const char* pass : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS"})
    if (const char* value = std::getenv(pass)) env.push_back(std::string(pass) + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};

  // The program ends with this test program, however that ends: killed by
  // the test runner's timeout, it would otherwise go on analysing and keep
  // the runner's output pipe open.
  const pid_t parent = getpid();
  const auto started = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == parent) execve(program.c_str(), argv, envp.data());
    _exit(127);
  }
  ASSERT_GT(pid, 0) << "cannot start " << program;
  struct Reaper {
    pid_t pid;
    bool done = false;
    ~Reaper() {
      if (done) return;
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  } reaper{pid};

  // The first drawn spectrum: bars of the tone in the bar colour.
  int seen = 0;
  while (Clock::now() - started < std::chrono::seconds(30)) {
    seen = SpectrumPixels(shot, pid);
    if (seen >= 20) break;
    int early = 0;
    if (waitpid(pid, &early, WNOHANG) == pid) {
      reaper.done = true;
      FAIL() << program << " ended before it drew a spectrum, status " << early;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const auto first = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  ASSERT_GE(seen, 20) << "no spectrum was drawn within 30 s";

  // Resident memory once it has analysed for a while.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const long resident_kb = ResidentKb(pid);
  std::printf("first drawn spectrum after %lld ms; resident %.1f MB while analysing\n",
              static_cast<long long>(first), resident_kb / 1024.0);
  RecordProperty("first_spectrum_ms", static_cast<int>(first));
  RecordProperty("resident_kb", static_cast<int>(resident_kb));
  EXPECT_GT(SpectrumPixels(shot, pid), 0) << "the spectrum went away while the tone plays";

  // The window wears the default skin: the middle of its left border and the
  // top line of its caption in the theme's caption colours, active or not.
  const Window window = shot.WindowOfProcess(pid);
  ASSERT_NE(window, 0u) << "the program's window carries no process id";
  const auto frame = shot.WindowRect(window);
  ASSERT_TRUE(frame.has_value());
  const skinpack::Theme* theme = skinpack::FindTheme("default.skn");
  ASSERT_NE(theme, nullptr);
  const auto border = shot.Pixel(frame->left + 1, (frame->top + frame->bottom) / 2);
  const auto caption = shot.Pixel((frame->left + frame->right) / 2, frame->top);
  ASSERT_TRUE(border && caption);
  const apptest::FrameColours active = apptest::FrameOf(*theme, true),
                              inactive = apptest::FrameOf(*theme, false);
  EXPECT_TRUE((*border == active.border && *caption == active.caption_top) ||
              (*border == inactive.border && *caption == inactive.caption_top))
      << std::hex << "border " << *border << ", caption " << *caption << "; active " << active.border << ", "
      << active.caption_top;
  shot.SaveOnRequest(*frame, "skinned-main-window");

  // Closed as by the window manager's close button: the program ends on its own.
  ASSERT_TRUE(shot.AskToClose(window));
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 1000 && ended == 0; ++i) {
    ended = waitpid(pid, &status, WNOHANG);
    if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(ended, pid) << "the program did not end within 10 s of the close request";
  reaper.done = true;
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

#endif

}  // namespace
