// The wave open and save dialogs run headless and answered by the dialog
// script: the panel shows the selected file's format, draws its waveform,
// plays it on the loopback output (captured on the loopback input), and an
// open dialog refuses what is no wave file. And the format names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "WaveFixtures.h"
#include "engine/MMACM.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "files/MMACMDlg.h"
#include "files/MMCstDlg.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Surface.h"
#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/user/Button.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "support/LoopbackEnvironment.h"
#include "support/TempDir.h"

namespace filestest {
namespace {

using files::TMMWaveOpenDialog;

constexpr int kRate = 44100;

// A 1 kHz sine at full scale, the same on both channels.
Bytes FullScaleTone(int frames) {
  Bytes b;
  for (int i = 0; i < frames; ++i) {
    const auto s =
        static_cast<int16_t>(std::lround(32767 * std::sin(2 * 3.14159265358979 * 1000.0 * i / kRate)));
    for (int c = 0; c < 2; ++c) {
      b.push_back(static_cast<uint8_t>(s & 0xFF));
      b.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
  }
  return b;
}

std::string Text(plat::HWND hwnd) {
  char text[256] = {};
  plat::GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

// A pixel of `control` as its top-level window shows it.
plat::COLORREF Shown(plat::HWND control, int x, int y) {
  plat::HWND top = control;
  while (plat::GetParent(top)) top = plat::GetParent(top);
  plat::POINT p{x, y};
  plat::MapWindowPoints(control, nullptr, &p, 1);
  plat::RECT window;
  plat::GetWindowRect(top, &window);
  const plat::Surface* surface = plat::backend::Current().WindowSurface(top);
  if (!surface) return plat::CLR_INVALID;
  return surface->ToColor(surface->Get(p.x - window.left, p.y - window.top));
}

// Picks a file in the dialog's folder list as a click on its row would.
void Select(plat::HWND dialog, const std::string& name) {
  plat::HWND list = plat::user::ChildById(dialog, plat::kFileDialogListId);
  ASSERT_NE(list, nullptr);
  const int rows = static_cast<int>(plat::SendMessageA(list, plat::LB_GETCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    char text[512] = {};
    plat::SendMessageA(list, plat::LB_GETTEXT, static_cast<plat::WPARAM>(row),
                       reinterpret_cast<plat::LPARAM>(text));
    if (name != text) continue;
    plat::SendMessageA(list, plat::LB_SETCURSEL, static_cast<plat::WPARAM>(row), 0);
    plat::SendMessageA(dialog, plat::WM_COMMAND,
                       plat::MAKEWPARAM(plat::kFileDialogListId, plat::LBN_SELCHANGE),
                       reinterpret_cast<plat::LPARAM>(list));
    return;
  }
  ADD_FAILURE() << name << " is not in the list";
}

class WaveDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.SetUp();
    if (!dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current()))
      GTEST_SKIP() << "needs the headless backend";
  }
  void TearDown() override {
    plat::SetDialogScript(nullptr);
    env_.TearDown();
  }
  // Serves the dialog while the clock moves, as a user waits.
  static void Wait(int ms, const std::function<bool()>& done = {}) {
    for (int t = 0; t < ms && !(done && done()); t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
    }
  }

  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_;
  testsupport::TempDir temp_;
};

TEST_F(WaveDialogTest, TheOpenDialogShowsFormatsDrawsAndPlaysThePreviewAndRefusesOtherFiles) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, kRate);
  const Bytes tone = FullScaleTone(kRate / 2);
  WriteWave(temp_.File("tone.wav"), f, tone);
  WriteWave(temp_.File("quad.wav"), Pcm(16, 4, kRate), Counting(8000));
  WriteWave(temp_.File("silent.wav"), f, {});
  std::ofstream(temp_.File("song.mp3"), std::ios::binary) << "ID3\x03" << std::string(600, '\x55');

  // What the loopback output plays comes back on the loopback input.
  Bytes captured;
  engine::TMMWaveIn in(nullptr);
  in.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input")));
  in.SetSampleRate(kRate);
  in.SetBitLength(engine::b16Bit);
  in.SetChannels(2);
  in.SetBufferSize(kRate * 4 / 20);
  in.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) {
    captured.insert(captured.end(), h->lpData, h->lpData + h->dwBytesRecorded);
  };

  TMMWaveOpenDialog dialog(nullptr);
  dialog.SetInitialDir(temp_.path().string() + "/");
  dialog.SetFilter("Audio|*.wav;*.mp3");
  dialog.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output")));
  dialog.SetPreview(true);
  dialog.SetAutoPlay(true);

  struct Seen {
    std::string text;
    bool play = false, preview_box = false;
  };
  auto seen = [&] {
    plat::HWND area = dialog.DialogWindow();
    return Seen{Text(plat::user::ChildById(area, files::kFormatTextId)),
                plat::IsWindowEnabled(plat::user::ChildById(area, files::kPlayButtonId)) != 0,
                plat::IsWindowEnabled(plat::user::ChildById(area, files::kPreviewBoxId)) != 0};
  };
  Seen tone_seen, mp3_seen, quad_seen;
  bool started = false, ended = false;
  int32_t buffer_size = 0;
  int full_columns = 0, columns = 0;
  plat::COLORREF top = 0, bottom = 0, grey_left = 0, grey_middle = 0;
  std::vector<plat::DialogRequest> asked;
  plat::SetDialogScript([&](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
    asked.push_back(r);
    plat::DialogAnswer answer;
    if (r.kind == plat::DialogKind::MessageBox) return answer;
    if (asked.size() > 1) {
      answer.file_name = "tone.wav";
      return answer;
    }
    in.Start();
    Select(r.dialog, "tone.wav");
    Wait(200, [&] { return dialog.Playing(); });
    started = dialog.Playing();
    tone_seen = seen();
    buffer_size = dialog.PreviewPlayer()->RequestedBufferSize();
    const std::vector<int16_t>& view = dialog.View();
    columns = static_cast<int>(view.size() / 4);
    for (int c = 0; c < columns; ++c) {
      const auto [low, high] = std::minmax({view[c * 4], view[c * 4 + 1], view[c * 4 + 2], view[c * 4 + 3]});
      full_columns += low <= -32000 && high >= 32000;
    }
    Wait(1500, [&] { return !dialog.Playing(); });
    ended = !dialog.Playing();
    plat::HWND panel = plat::user::ChildById(dialog.DialogWindow(), files::kWavePanelId);
    plat::RECT client;
    plat::GetClientRect(panel, &client);
    plat::UpdateWindow(panel);
    top = Shown(panel, client.right / 2, 2);
    bottom = Shown(panel, client.right / 2, client.bottom - 3);

    Select(r.dialog, "song.mp3");
    Wait(100);
    mp3_seen = seen();
    Select(r.dialog, "quad.wav");
    Wait(100);
    quad_seen = seen();
    Select(r.dialog, "silent.wav");
    Wait(100);
    plat::UpdateWindow(panel);
    grey_left = Shown(panel, 6, client.bottom / 2);
    grey_middle = Shown(panel, client.right / 2, client.bottom / 2);
    in.Stop();
    answer.file_name = "song.mp3";
    return answer;
  });
  ASSERT_TRUE(dialog.Execute());
  plat::SetDialogScript(nullptr);
  in.Close();
  EXPECT_EQ(std::filesystem::path(dialog.FileName()), temp_.path() / "tone.wav");
  EXPECT_EQ(dialog.PreviewPlayer(), nullptr);  // the chain went with the dialog

  std::string tag, format;
  ASSERT_TRUE(files::GetWaveFormatText(&f, tag, format));
  const auto kb = std::to_string(std::filesystem::file_size(temp_.File("tone.wav")) / 1024);
  EXPECT_EQ(tone_seen.text, tag + "; " + format + "; " + kb + " KB");
  EXPECT_TRUE(tone_seen.play);
  EXPECT_TRUE(tone_seen.preview_box);
  EXPECT_EQ(buffer_size, 6144);
  EXPECT_TRUE(started);
  EXPECT_TRUE(ended);
  // The waveform of a full-scale sine spans the whole height in ForeColor.
  EXPECT_GT(columns, 100);
  EXPECT_GE(full_columns, columns - 1);
  EXPECT_EQ(top, vcl::ColorToRGB(dialog.ForeColor()));
  EXPECT_EQ(bottom, vcl::ColorToRGB(dialog.ForeColor()));
  // Played on the loopback output: a tenth of a second from the middle of the file came back.
  const Bytes slice(tone.begin() + kRate * 4 / 5, tone.begin() + kRate * 4 * 3 / 10);
  EXPECT_NE(std::search(captured.begin(), captured.end(), slice.begin(), slice.end()), captured.end());

  EXPECT_EQ(mp3_seen.text, "Unknown");
  EXPECT_FALSE(mp3_seen.play);
  EXPECT_FALSE(quad_seen.preview_box);
  EXPECT_NE(quad_seen.text, "Unknown");
  EXPECT_EQ(grey_left, plat::RGB(128, 128, 128));
  EXPECT_EQ(grey_middle, plat::RGB(128, 128, 128));

  // OK on the MP3 file was refused with the message, then the wave file taken.
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[1].kind, plat::DialogKind::MessageBox);
  EXPECT_EQ(asked[1].text, "Invalid WaveFile...");
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
}

TEST_F(WaveDialogTest, TheSaveDialogTakesANewNameAndTitlesAreCut) {
  std::vector<plat::DialogRequest> asked;
  plat::SetDialogScript([&](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
    asked.push_back(r);
    plat::DialogAnswer answer;
    answer.file_name = "new";
    return answer;
  });
  files::TMMWaveSaveDialog save(nullptr);
  save.SetInitialDir(temp_.path().string());
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(std::filesystem::path(save.FileName()), temp_.path() / "new.wav");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, plat::DialogKind::Save);
  EXPECT_EQ(asked[0].title, "Save Wave File");

  TMMWaveOpenDialog open(nullptr);
  open.SetInitialDir(temp_.path().string());
  open.SetTitle(std::string(100, 'T'));
  plat::SetDialogScript([&](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
    asked.push_back(r);
    return std::nullopt;
  });
  EXPECT_FALSE(open.Execute());
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].title, std::string(79, 'T'));
  EXPECT_EQ(open.Title(), std::string(100, 'T'));
}

TEST(WaveDialogs, InitialFoldersLoseOneTrailingSeparatorExceptAtADriveOrTheRoot) {
  const struct {
    const char* given;
    const char* kept;
  } cases[] = {{"C:\\Sounds\\", "C:\\Sounds"},  {"C:\\", "C:\\"}, {"C:\\Sounds", "C:\\Sounds"},
               {"/tmp/sounds/", "/tmp/sounds"}, {"/", "/"},       {"", ""}};
  files::TMMCustomOpenDialog dialog(nullptr);
  for (const auto& c : cases) {
    dialog.SetInitialDir(c.given);
    EXPECT_EQ(dialog.InitialDir(), c.kept) << c.given;
  }
}

TEST(WaveDialogs, PreviewBuffersFollowRateAndSampleSize) {
  const struct {
    int rate, bits, size;
  } cases[] = {{44100, 16, 6144}, {11025, 8, 2048},   {22050, 16, 2048}, {32000, 8, 8192},
               {48000, 16, 6144}, {96000, 16, 65536}, {22050, 4, 128},   {8000, 1, 32}};
  for (const auto& c : cases) {
    plat::WAVEFORMATEX f{};
    f.nSamplesPerSec = static_cast<plat::DWORD>(c.rate);
    f.wBitsPerSample = static_cast<plat::WORD>(c.bits);
    EXPECT_EQ(TMMWaveOpenDialog::PreviewBufferSize(&f), c.size) << c.rate << " Hz, " << c.bits << " bits";
  }
}

TEST(WaveDialogs, FormatTextComesFromTheCompressionManagerWhenItIsLoaded) {
  const bool was_loaded = engine::ACMUsable();
  const plat::WAVEFORMATEX pcm = Pcm(16, 2, kRate);
  std::string tag, text;
  EXPECT_FALSE(files::GetWaveFormatText(nullptr, tag, text));

  engine::UnloadACM();
  ASSERT_TRUE(files::GetWaveFormatText(&pcm, tag, text));
  EXPECT_EQ(tag, engine::GetFormatTagName(&pcm));
  EXPECT_EQ(text, engine::GetWaveFormatDescription(&pcm));

  plat::RegisterAcmModule();
  engine::LoadACM();
  ASSERT_TRUE(engine::ACMUsable());
  plat::ACMFORMATTAGDETAILSA tag_details{};
  tag_details.cbStruct = sizeof tag_details;
  tag_details.dwFormatTag = plat::WAVE_FORMAT_PCM;
  ASSERT_EQ(plat::acmFormatTagDetailsA(nullptr, &tag_details, plat::ACM_FORMATTAGDETAILSF_FORMATTAG), 0u);
  plat::ACMFORMATDETAILSA details{};
  details.cbStruct = sizeof details;
  details.dwFormatTag = plat::WAVE_FORMAT_PCM;
  details.pwfx = const_cast<plat::WAVEFORMATEX*>(&pcm);
  details.cbwfx = 18;
  ASSERT_EQ(plat::acmFormatDetailsA(nullptr, &details, plat::ACM_FORMATDETAILSF_FORMAT), 0u);
  ASSERT_TRUE(files::GetWaveFormatText(&pcm, tag, text));
  EXPECT_EQ(tag, tag_details.szFormatTag);
  EXPECT_EQ(text, details.szFormat);
  // A tag the manager does not know falls back for that text alone.
  plat::WAVEFORMATEX odd = pcm;
  odd.wFormatTag = 0x7777;
  ASSERT_TRUE(files::GetWaveFormatText(&odd, tag, text));
  EXPECT_EQ(tag, engine::GetFormatTagName(&odd));
  if (!was_loaded) engine::UnloadACM();
  plat::RegisterAcmModule();
}

}  // namespace
}  // namespace filestest
