#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/MMDIBCv.h"

namespace {

using displays::DIBDrawLock;
using displays::EMMDIBError;
using displays::TDIBDrawingPass;
using displays::TMMDIBCanvas;
using displays::TRect;
using C = displays::TMMDIBCanvas;

// The lock is re-entrant, so only another thread can tell whether it is held.
bool LockFreeForOtherThreads() {
  bool taken = false;
  std::thread probe([&] {
    taken = DIBDrawLock().try_lock();
    if (taken) DIBDrawLock().unlock();
  });
  probe.join();
  return taken;
}

bool AllPixelsAre(const TMMDIBCanvas& canvas, uint8_t value) {
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      if (dibcvtest::RawPixel(canvas, canvas.PixelBits(), x, y) != value) return false;
  return true;
}

TEST(DrawingPass, NotifiesChangingAndChangedAndHoldsTheLockInBetween) {
  TMMDIBCanvas canvas(nullptr);
  std::string events;
  canvas.OnChanging = [&](vcl::TObject*) { events += "changing "; };
  canvas.OnChange = [&](vcl::TObject*) {
    events += LockFreeForOtherThreads() ? "changed-unlocked " : "changed ";
  };
  canvas.DIB_InitDrawing();
  EXPECT_TRUE(canvas.Drawing());
  EXPECT_FALSE(LockFreeForOtherThreads());
  canvas.DIB_DoneDrawing();
  EXPECT_EQ(events, "changing changed ");
  EXPECT_FALSE(canvas.Drawing());
  EXPECT_TRUE(LockFreeForOtherThreads());
}

TEST(DrawingPass, EndsAndLeavesTheLockWhenDrawingRaises) {
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 4, 4, 8);
  EXPECT_THROW(
      {
        TDIBDrawingPass pass(canvas);
        C::DIB_SetColor(1);
        C::DIB_Clear();
        throw std::runtime_error("a handler failed");
      },
      std::runtime_error);
  EXPECT_FALSE(canvas.Drawing());
  EXPECT_TRUE(LockFreeForOtherThreads());
  // The canvas can be rebuilt and drawn again.
  canvas.SetBitsPerPixel(24);
  TDIBDrawingPass pass(canvas);
  C::DIB_SetColor(0x010101);
  C::DIB_Clear();
  EXPECT_EQ(C::DIB_GetPixel(3, 3), 0x010101);
}

TEST(DrawingPass, LeavesTheLockWhenTheDIBCannotBeBuilt) {
  TMMDIBCanvas canvas(nullptr);
  canvas.SetBitsPerPixel(24);
  canvas.SetBounds(0, 0, 40000, 40000);  // larger than a DIB section may be
  EXPECT_THROW(canvas.DIB_InitDrawing(), EMMDIBError);
  EXPECT_FALSE(canvas.Drawing());
  EXPECT_TRUE(LockFreeForOtherThreads());
  C::DIB_Clear();  // no pass: nothing to draw on
  canvas.SetBounds(0, 0, 2, 2);
  TDIBDrawingPass pass(canvas);
  EXPECT_EQ(C::DIB_GetPixel(1, 1), 0);
}

TEST(DrawingPass, ASecondPassOnTheSameThreadIsRefused) {
  TMMDIBCanvas first(nullptr);
  TMMDIBCanvas second(nullptr);
  dibcvtest::Prepare(first, 3, 2, 8);
  dibcvtest::Prepare(second, 3, 2, 8);
  {
    TDIBDrawingPass pass(first);
    EXPECT_THROW(second.DIB_InitDrawing(), EMMDIBError);
    EXPECT_THROW(first.DIB_InitDrawing(), EMMDIBError);
    EXPECT_FALSE(second.Drawing());
    // Ending a pass that a canvas never opened does not end the open one.
    second.DIB_DoneDrawing();
    EXPECT_TRUE(first.Drawing());
    EXPECT_FALSE(LockFreeForOtherThreads());
    // The open pass still draws into its own canvas.
    C::DIB_SetColor(2);
    C::DIB_Clear();
  }
  EXPECT_TRUE(AllPixelsAre(first, 2));
  EXPECT_TRUE(AllPixelsAre(second, 0));
  // The refused attempts left no hold on the lock behind.
  EXPECT_TRUE(LockFreeForOtherThreads());
}

TEST(DrawingPass, OnlyTheThreadThatOpenedAPassCanEndIt) {
  TMMDIBCanvas canvas(nullptr);
  TDIBDrawingPass pass(canvas);
  std::thread other([&] { canvas.DIB_DoneDrawing(); });
  other.join();
  EXPECT_TRUE(canvas.Drawing());
  EXPECT_FALSE(LockFreeForOtherThreads());
}

TEST(DrawingPass, FreeingTheCanvasInsideItsPassLeavesTheLock) {
  auto canvas = std::make_unique<TMMDIBCanvas>(nullptr);
  canvas->SetBounds(0, 0, 8, 8);
  canvas->DIB_InitDrawing();
  canvas.reset();
  EXPECT_TRUE(LockFreeForOtherThreads());
  C::DIB_SetColor(1);
  C::DIB_Clear();
  C::DIB_FillRect(TRect{0, 0, 8, 8});
  EXPECT_EQ(C::DIB_GetPixel(0, 0), -1);
}

// Two threads draw into two canvases at once; each pass must find its own
// canvas in the shared state from start to end.
TEST(DrawingPass, TheLockSerialisesPassesOfTwoThreads) {
  constexpr int kRounds = 200;
  TMMDIBCanvas canvases[2] = {TMMDIBCanvas(nullptr), TMMDIBCanvas(nullptr)};
  for (auto& canvas : canvases) dibcvtest::Prepare(canvas, 16, 8, 8);
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> foreign_pixels{0};
  auto draw = [&](int id) {
    TMMDIBCanvas& canvas = canvases[id];
    const auto ink = static_cast<uint8_t>(id + 1);
    for (int round = 0; round < kRounds; ++round) {
      TDIBDrawingPass pass(canvas);
      if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
      C::DIB_SetColor(ink);
      C::DIB_Clear();
      std::this_thread::yield();
      C::DIB_MoveTo(0, 0);
      C::DIB_LineTo(15, 7);
      C::DIB_FillRect(TRect{2, 2, 9, 6});
      if (!AllPixelsAre(canvas, ink)) foreign_pixels.fetch_add(1);
      inside.fetch_sub(1);
    }
  };
  std::thread a(draw, 0);
  std::thread b(draw, 1);
  a.join();
  b.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(foreign_pixels.load(), 0);
  EXPECT_TRUE(AllPixelsAre(canvases[0], 1));
  EXPECT_TRUE(AllPixelsAre(canvases[1], 2));
}

}  // namespace
