#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <set>
#include <string>
#include <thread>

#include "WaveTestSupport.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"

using namespace plat;
using namespace wavetest;

namespace {

class WaveDevices : public WaveFixture {
 protected:
  ScopedManualClock clock_;
};

TEST_F(WaveDevices, VirtualTableHoldsTheVirtualDevicesAndTheMapperIsTheLoopback) {
  ASSERT_EQ(waveInGetNumDevs(), 3u);
  ASSERT_EQ(waveOutGetNumDevs(), 2u);
  const char* in_names[] = {"Loopback Input", "File Input", "Faulty Input"};
  for (UINT id = 0; id < 3; ++id) {
    WAVEINCAPSA caps;
    ASSERT_EQ(waveInGetDevCapsA(id, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, in_names[id]);
    EXPECT_EQ(caps.dwFormats, WAVE_FORMAT_STANDARD_ALL);
    EXPECT_FALSE(wavedev::IsRealWaveInDevice(id));
  }
  WAVEOUTCAPSA out_caps;
  ASSERT_EQ(waveOutGetDevCapsA(OutId("Loopback Output"), &out_caps, sizeof(out_caps)), MMSYSERR_NOERROR);
  EXPECT_TRUE(out_caps.dwSupport & WAVECAPS_VOLUME);
  EXPECT_TRUE(out_caps.dwSupport & WAVECAPS_LRVOLUME);
  EXPECT_EQ(wavedev::MappedWaveInDevice(), InId("Loopback Input"));
  EXPECT_EQ(wavedev::MappedWaveOutDevice(), OutId("Loopback Output"));
  WAVEINCAPSA mapper;
  EXPECT_EQ(waveInGetDevCapsA(WAVE_MAPPER, &mapper, sizeof(mapper)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInGetDevCapsA(3, &mapper, sizeof(mapper)), MMSYSERR_BADDEVICEID);

  // The mapper opens the loopback pair, and the handle names it.
  Recorder rec;
  HWAVEIN in = nullptr;
  ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &kCd, Recorder::InProc(), rec.instance(), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  UINT id = 99;
  EXPECT_EQ(waveInGetID(in, &id), MMSYSERR_NOERROR);
  EXPECT_EQ(id, InId("Loopback Input"));
  EXPECT_FALSE(wavedev::RebuildDeviceTable()) << "refused while a device is open";
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(WaveDevices, OpenChecksFlagsFormatsAndDevices) {
  struct Case {
    UINT id;
    WAVEFORMATEX format;
    DWORD flags;
    MMRESULT expected;
  };
  WAVEFORMATEX odd_align = kCd;
  odd_align.nBlockAlign = 3;
  WAVEFORMATEX float_format = kCd;
  float_format.wFormatTag = 3;
  const UINT loop_in = InId("Loopback Input");
  const Case cases[] = {
      {loop_in, kCd, WAVE_FORMAT_QUERY, MMSYSERR_NOERROR},
      {loop_in, Pcm(96000, 16, 2), WAVE_FORMAT_QUERY, MMSYSERR_NOERROR},
      {loop_in, Pcm(44100, 24, 2), WAVE_FORMAT_QUERY, WAVERR_BADFORMAT},
      {loop_in, odd_align, WAVE_FORMAT_QUERY, WAVERR_BADFORMAT},
      {loop_in, float_format, WAVE_FORMAT_QUERY, WAVERR_BADFORMAT},
      {loop_in, kCd, WAVE_FORMAT_QUERY | 0x100, MMSYSERR_INVALFLAG},
      {loop_in, kCd, 0x40000, MMSYSERR_INVALFLAG},
      {7, kCd, WAVE_FORMAT_QUERY, MMSYSERR_BADDEVICEID},
      {WAVE_MAPPER, kCd, WAVE_FORMAT_QUERY | WAVE_ALLOWSYNC, MMSYSERR_NOERROR},
      {loop_in, kCd, CALLBACK_FUNCTION, MMSYSERR_INVALPARAM},  // no function given
  };
  for (const Case& c : cases) {
    HWAVEIN h = nullptr;
    EXPECT_EQ(waveInOpen(&h, c.id, &c.format, 0, 0, c.flags), c.expected)
        << "device " << c.id << " flags " << c.flags;
    EXPECT_EQ(h, nullptr);
  }
  EXPECT_EQ(waveInOpen(nullptr, loop_in, &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInOpen(nullptr, loop_in, nullptr, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_INVALPARAM);
}

TEST_F(WaveDevices, HeaderRulesAndClosedHandles) {
  HWAVEIN in = nullptr;
  ASSERT_EQ(waveInOpen(&in, InId("Loopback Input"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  Buffer b(1024);
  const UINT size = sizeof(WAVEHDR);
  EXPECT_EQ(waveInAddBuffer(in, &b.header, size), WAVERR_UNPREPARED);
  EXPECT_EQ(waveInPrepareHeader(in, &b.header, size - 1), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInPrepareHeader(in, &b.header, size), MMSYSERR_NOERROR);
  EXPECT_TRUE(b.header.dwFlags & WHDR_PREPARED);
  EXPECT_EQ(waveInAddBuffer(in, &b.header, size), MMSYSERR_NOERROR);
  EXPECT_TRUE(b.header.dwFlags & WHDR_INQUEUE);
  EXPECT_EQ(waveInAddBuffer(in, &b.header, size), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInUnprepareHeader(in, &b.header, size), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  EXPECT_EQ(b.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(waveInUnprepareHeader(in, &b.header, size), MMSYSERR_NOERROR);
  EXPECT_FALSE(b.header.dwFlags & WHDR_PREPARED);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  // A closed handle names nothing, in either direction.
  EXPECT_EQ(waveInStart(in), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveInClose(in), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutReset(reinterpret_cast<HWAVEOUT>(in)), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveDevices, StopReturnsThePartialBufferAndKeepsTheRestQueued) {
  Recorder rec;
  HWAVEIN in = OpenIn("Faulty Input", rec);
  Buffer a(17640, 1), b(17640, 1);
  AddIn(in, a);
  AddIn(in, b);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(50);
  ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
  ASSERT_TRUE(rec.WaitFor(2));
  auto data = rec.Of(WIM_DATA);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].header, &a.header);
  EXPECT_EQ(data[0].bytes, 8820u);
  EXPECT_TRUE(data[0].flags & WHDR_DONE);
  EXPECT_EQ(a.data[8819], 0);  // silence captured
  EXPECT_EQ(a.data[8820], 1);  // the rest untouched
  // Stopped, nothing more is captured; the next buffer is still queued.
  clock::AdvanceMs(200);
  EXPECT_TRUE(b.header.dwFlags & WHDR_INQUEUE);
  EXPECT_EQ(b.header.dwBytesRecorded, 0u);
  // A restart fills it from the start.
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(100);
  ASSERT_TRUE(rec.WaitFor(3));
  EXPECT_EQ(rec.Of(WIM_DATA).back().bytes, 17640u);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(WaveDevices, ResetReturnsEverythingInOrderWithoutWaitingForABlockedCallback) {
  Recorder rec;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> blocked{false};
  rec.on_notice = [&](const Notice& n) {
    if (n.message == WIM_DATA && !blocked.exchange(true)) released.wait();
  };
  HWAVEIN in = OpenIn("Loopback Input", rec);
  std::vector<Buffer> buffers;
  buffers.reserve(3);
  for (int i = 0; i < 3; ++i) buffers.emplace_back(17640);
  for (auto& b : buffers) AddIn(in, b);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(10);
  ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);  // the first comes back; its notice blocks
  while (!blocked) std::this_thread::yield();

  ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  for (auto& b : buffers) EXPECT_EQ(b.header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  // Close waits for the notices owed, so it runs once the callback is free.
  auto closed = std::async(std::launch::async, [&] { return waveInClose(in); });
  release.set_value();
  EXPECT_EQ(closed.get(), MMSYSERR_NOERROR);
  const auto notices = rec.notices();
  ASSERT_EQ(notices.size(), 5u);
  EXPECT_EQ(notices[0].message, WIM_OPEN);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(notices[1 + i].message, WIM_DATA);
    EXPECT_EQ(notices[1 + i].header, &buffers[i].header);
  }
  EXPECT_EQ(notices[4].message, WIM_CLOSE);
}

TEST_F(WaveDevices, CloseFromInsideANoticeEndsTheDevice) {
  Recorder rec;
  HWAVEIN in = OpenIn("Loopback Input", rec);
  std::atomic<MMRESULT> close_result{99};
  rec.on_notice = [&](const Notice& n) {
    if (n.message == WIM_DATA && n.header->dwUser == 1) {
      waveInReset(in);
      close_result = waveInClose(in);
    }
  };
  Buffer a(1764), b(1764);
  a.header.dwUser = 1;
  AddIn(in, a);
  AddIn(in, b);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(10);
  ASSERT_TRUE(rec.WaitFor(3));
  EXPECT_EQ(close_result, MMSYSERR_NOERROR);
  const auto notices = rec.notices();
  EXPECT_EQ(notices.back().message, WIM_CLOSE);
  EXPECT_TRUE(b.header.dwFlags & WHDR_DONE);
  EXPECT_EQ(waveInStart(in), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveDevices, EventAndThreadNotices) {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWAVEIN in = nullptr;
  ASSERT_EQ(
      waveInOpen(&in, InId("Loopback Input"), &kCd, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT),
      MMSYSERR_NOERROR);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "open notice";
  Buffer a(1764);
  AddIn(in, a);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(10);
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(a.header.dwFlags & WHDR_DONE);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  CloseHandle(event);

  // Thread notices are MM_* messages with the handle and the header.
  CurrentThreadQueue();
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, OutId("Faulty Output"), &kCd, GetCurrentThreadId(), 0, CALLBACK_THREAD),
            MMSYSERR_NOERROR);
  Buffer b(1764);
  WriteOut(out, b);
  clock::AdvanceMs(10);
  ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  std::vector<MSG> messages;
  {
    std::lock_guard lock(waitcore::Mutex());
    for (const MSG& m : CurrentThreadQueue()->posted) messages.push_back(m);
    CurrentThreadQueue()->posted.clear();
  }
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].message, MM_WOM_OPEN);
  EXPECT_EQ(messages[1].message, MM_WOM_DONE);
  EXPECT_EQ(messages[1].wParam, reinterpret_cast<WPARAM>(out));
  EXPECT_EQ(messages[1].lParam, reinterpret_cast<LPARAM>(&b.header));
  EXPECT_EQ(messages[2].message, MM_WOM_CLOSE);
}

TEST_F(WaveDevices, WindowNoticesArePostedToTheWindow) {
  WNDCLASSA window_class;
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.lpszClassName = "WaveNoticeWindow";
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, "WaveNoticeWindow", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  HWAVEIN in = nullptr;
  EXPECT_EQ(waveInOpen(&in, InId("Loopback Input"), &kCd, 0x7777, 0, CALLBACK_WINDOW), MMSYSERR_INVALPARAM);
  ASSERT_EQ(
      waveInOpen(&in, InId("Loopback Input"), &kCd, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW),
      MMSYSERR_NOERROR);
  Buffer a(1764);
  AddIn(in, a);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(10);
  ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  std::vector<MSG> messages;
  MSG msg;
  while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) messages.push_back(msg);
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].message, MM_WIM_OPEN);
  EXPECT_EQ(messages[1].message, MM_WIM_DATA);
  EXPECT_EQ(messages[1].wParam, reinterpret_cast<WPARAM>(in));
  EXPECT_EQ(messages[1].lParam, reinterpret_cast<LPARAM>(&a.header));
  EXPECT_EQ(messages[2].message, MM_WIM_CLOSE);
  DestroyWindow(window);
}

TEST_F(WaveDevices, FaultyDeviceFailsTheCallsItIsToldTo) {
  struct Case {
    wave::Call call;
    MMRESULT code;
    std::function<MMRESULT(HWAVEIN, WAVEHDR*)> run;
  };
  const UINT size = sizeof(WAVEHDR);
  const Case cases[] = {
      {wave::Call::kPrepare, MMSYSERR_NOMEM,
       [&](HWAVEIN h, WAVEHDR* b) { return waveInPrepareHeader(h, b, size); }},
      {wave::Call::kQueue, MMSYSERR_ERROR,
       [&](HWAVEIN h, WAVEHDR* b) { return waveInAddBuffer(h, b, size); }},
      {wave::Call::kStart, MMSYSERR_NODRIVER, [](HWAVEIN h, WAVEHDR*) { return waveInStart(h); }},
      {wave::Call::kStop, MMSYSERR_NOTSUPPORTED, [](HWAVEIN h, WAVEHDR*) { return waveInStop(h); }},
      {wave::Call::kReset, MMSYSERR_ERROR, [](HWAVEIN h, WAVEHDR*) { return waveInReset(h); }},
      {wave::Call::kGetPosition, MMSYSERR_NOTSUPPORTED,
       [](HWAVEIN h, WAVEHDR*) {
         MMTIME t;
         t.wType = TIME_BYTES;
         return waveInGetPosition(h, &t, sizeof(t));
       }},
      {wave::Call::kClose, MMSYSERR_ERROR, [](HWAVEIN h, WAVEHDR*) { return waveInClose(h); }},
  };
  for (const Case& c : cases) {
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, InId("Faulty Input"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    Buffer b(64);
    if (c.call == wave::Call::kQueue) {
      ASSERT_EQ(waveInPrepareHeader(in, &b.header, size), MMSYSERR_NOERROR);
    }
    wavedev::FaultyConfig config;
    config.fail[c.call] = c.code;
    wavedev::SetFaultyInput(config);
    EXPECT_EQ(c.run(in, &b.header), c.code) << static_cast<int>(c.call);
    EXPECT_FALSE(b.header.dwFlags & WHDR_INQUEUE);
    wavedev::ResetFaulty();
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  }

  wavedev::FaultyConfig config;
  config.fail[wave::Call::kOpen] = MMSYSERR_ALLOCATED;
  config.fail[wave::Call::kGetDevCaps] = MMSYSERR_NODRIVER;
  wavedev::SetFaultyInput(config);
  HWAVEIN in = nullptr;
  EXPECT_EQ(waveInOpen(&in, InId("Faulty Input"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  EXPECT_EQ(waveInOpen(nullptr, InId("Faulty Input"), &kCd, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
  WAVEINCAPSA caps;
  EXPECT_EQ(waveInGetDevCapsA(InId("Faulty Input"), &caps, sizeof(caps)), MMSYSERR_NODRIVER);
}

TEST_F(WaveDevices, FaultyDeviceRefusesFormatsWithholdsNoticesAndCountsInBytes) {
  wavedev::FaultyConfig config;
  config.refuse_format = [](const WAVEFORMATEX& f) { return f.nSamplesPerSec == 48000; };
  config.withhold = {WIM_OPEN, WIM_DATA};
  config.formats = WAVE_FORMAT_1M08;
  config.position_in_bytes_only = true;
  wavedev::SetFaultyInput(config);
  const UINT id = InId("Faulty Input");
  WAVEINCAPSA caps;
  ASSERT_EQ(waveInGetDevCapsA(id, &caps, sizeof(caps)), MMSYSERR_NOERROR);
  EXPECT_EQ(caps.dwFormats, WAVE_FORMAT_1M08);
  const WAVEFORMATEX refused = Pcm(48000, 16, 2);
  EXPECT_EQ(waveInOpen(nullptr, id, &refused, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
  HWAVEIN in = nullptr;
  EXPECT_EQ(waveInOpen(&in, id, &refused, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);

  Recorder rec;
  in = OpenIn("Faulty Input", rec);
  Buffer a(1764);
  AddIn(in, a);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(10);
  EXPECT_TRUE(a.header.dwFlags & WHDR_DONE) << "the buffer completes; only its notice is withheld";
  MMTIME t;
  t.wType = TIME_SAMPLES;
  ASSERT_EQ(waveInGetPosition(in, &t, sizeof(t)), MMSYSERR_NOERROR);
  EXPECT_EQ(t.wType, TIME_BYTES);
  EXPECT_EQ(t.u.cb, 1764u);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  ASSERT_TRUE(rec.WaitFor(1));
  ASSERT_EQ(rec.notices().size(), 1u);
  EXPECT_EQ(rec.notices()[0].message, WIM_CLOSE);
}

TEST_F(WaveDevices, ErrorTextsForEveryCodeAndUnknownCodesAreOutOfRange) {
  const MMRESULT codes[] = {MMSYSERR_NOERROR,    MMSYSERR_ERROR,      MMSYSERR_BADDEVICEID,
                            MMSYSERR_NOTENABLED, MMSYSERR_ALLOCATED,  MMSYSERR_INVALHANDLE,
                            MMSYSERR_NODRIVER,   MMSYSERR_NOMEM,      MMSYSERR_NOTSUPPORTED,
                            MMSYSERR_INVALFLAG,  MMSYSERR_INVALPARAM, WAVERR_BADFORMAT,
                            WAVERR_STILLPLAYING, WAVERR_UNPREPARED,   WAVERR_SYNC};
  std::set<std::string> texts;
  for (MMRESULT code : codes) {
    char text[MAXERRORLENGTH];
    ASSERT_EQ(waveInGetErrorTextA(code, text, sizeof(text)), MMSYSERR_NOERROR) << code;
    EXPECT_GT(std::strlen(text), 10u);
    texts.insert(text);
    char out_text[MAXERRORLENGTH];
    ASSERT_EQ(waveOutGetErrorTextA(code, out_text, sizeof(out_text)), MMSYSERR_NOERROR);
    EXPECT_STREQ(text, out_text);
  }
  EXPECT_EQ(texts.size(), std::size(codes)) << "every code has its own text";
  char small[8];
  ASSERT_EQ(waveInGetErrorTextA(WAVERR_BADFORMAT, small, sizeof(small)), MMSYSERR_NOERROR);
  EXPECT_EQ(std::strlen(small), 7u);
  char text[MAXERRORLENGTH];
  EXPECT_EQ(waveInGetErrorTextA(999, text, sizeof(text)), MMSYSERR_BADERRNUM);
  EXPECT_EQ(waveInGetErrorTextA(MMSYSERR_ERROR, nullptr, 10), MMSYSERR_INVALPARAM);
}

TEST_F(WaveDevices, VolumeByHandleOrDeviceIdScalesWhatIsPlayed) {
  const UINT out_id = OutId("Loopback Output");
  auto id_handle = reinterpret_cast<HWAVEOUT>(static_cast<uintptr_t>(out_id));
  DWORD volume = 0;
  ASSERT_EQ(waveOutGetVolume(id_handle, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0xFFFFFFFFu);
  Recorder in_rec, out_rec;
  HWAVEIN in = OpenIn("Loopback Input", in_rec);
  HWAVEOUT out = OpenOut("Loopback Output", out_rec);
  ASSERT_EQ(waveOutSetVolume(out, 0x0000FFFF), MMSYSERR_NOERROR);  // left full, right silent
  ASSERT_EQ(waveOutGetVolume(id_handle, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0x0000FFFFu);
  Buffer capture(1764), played(1764);
  std::vector<int16_t> samples(882, 1000);
  std::memcpy(played.data.data(), samples.data(), played.data.size());
  AddIn(in, capture);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  WriteOut(out, played);
  clock::AdvanceMs(10);
  std::memcpy(samples.data(), capture.data.data(), capture.data.size());
  EXPECT_EQ(samples[0], 1000);
  EXPECT_EQ(samples[1], 0);
  EXPECT_EQ(samples[880], 1000);
  EXPECT_EQ(samples[881], 0);
  EXPECT_EQ(waveOutSetVolume(out, 0xFFFFFFFF), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(uintptr_t{77}), &volume), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveDevices, LoopbackOutputTakesOnePlayer) {
  Recorder rec;
  HWAVEOUT first = OpenOut("Loopback Output", rec);
  HWAVEOUT second = nullptr;
  EXPECT_EQ(waveOutOpen(&second, OutId("Loopback Output"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
  EXPECT_EQ(waveOutClose(first), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutOpen(&second, OutId("Loopback Output"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(second), MMSYSERR_NOERROR);
}

}  // namespace
