#include "platform/backend/Backend.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

#include "platform/backend/HeadlessBackend.h"
#include "platform/backend/SdlBackend.h"

namespace plat::backend {

namespace {

std::mutex& InstanceMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unique_ptr<Backend>& Instance() {
  static std::unique_ptr<Backend> instance;
  return instance;
}

std::unique_ptr<Backend> FromEnvironment() {
  const char* name = std::getenv("QUELLIX_BACKEND");
  std::string choice = name ? name : "";
  if (choice == "headless") return std::make_unique<HeadlessBackend>();
  if (!choice.empty() && choice != "sdl")
    std::fprintf(stderr, "quellix: unknown QUELLIX_BACKEND \"%s\", using sdl\n", choice.c_str());
  return std::make_unique<SdlBackend>();
}

}  // namespace

Backend& Current() {
  std::lock_guard lock(InstanceMutex());
  auto& instance = Instance();
  if (!instance) instance = FromEnvironment();
  return *instance;
}

bool HasCurrent() {
  std::lock_guard lock(InstanceMutex());
  return Instance() != nullptr;
}

void Install(std::unique_ptr<Backend> backend) {
  std::unique_ptr<Backend> old;
  {
    std::lock_guard lock(InstanceMutex());
    old = std::exchange(Instance(), std::move(backend));
  }
}

RECT FitWindowRect(const RECT& rect) {
  // Far-off positions are pulled in so that right and bottom never overflow.
  constexpr LONG kFar = 1 << 24;
  const int64_t width = std::clamp<int64_t>(int64_t{rect.right} - rect.left, kMinWindowSize, kMaxWindowSize);
  const int64_t height = std::clamp<int64_t>(int64_t{rect.bottom} - rect.top, kMinWindowSize, kMaxWindowSize);
  const LONG left = std::clamp<LONG>(rect.left, -kFar, kFar);
  const LONG top = std::clamp<LONG>(rect.top, -kFar, kFar);
  return RECT{left, top, left + static_cast<LONG>(width), top + static_cast<LONG>(height)};
}

DragAction DragActionForHit(int hit_test) {
  switch (hit_test) {
    case HTCAPTION:
      return DragAction::Move;
    case HTLEFT:
      return DragAction::Left;
    case HTRIGHT:
      return DragAction::Right;
    case HTTOP:
      return DragAction::Top;
    case HTTOPLEFT:
      return DragAction::TopLeft;
    case HTTOPRIGHT:
      return DragAction::TopRight;
    case HTBOTTOM:
      return DragAction::Bottom;
    case HTBOTTOMLEFT:
      return DragAction::BottomLeft;
    case HTBOTTOMRIGHT:
      return DragAction::BottomRight;
    default:
      return DragAction::None;
  }
}

RECT ApplyDrag(DragAction action, const RECT& start, int dx, int dy) {
  RECT r = start;
  if (action == DragAction::Move) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
  }
  const bool left =
      action == DragAction::Left || action == DragAction::TopLeft || action == DragAction::BottomLeft;
  const bool right =
      action == DragAction::Right || action == DragAction::TopRight || action == DragAction::BottomRight;
  const bool top =
      action == DragAction::Top || action == DragAction::TopLeft || action == DragAction::TopRight;
  const bool bottom =
      action == DragAction::Bottom || action == DragAction::BottomLeft || action == DragAction::BottomRight;
  // The opposite edge stays put; the dragged one stops where the size would leave the allowed range.
  if (left)
    r.left = std::clamp<LONG>(start.left + dx, start.right - kMaxWindowSize, start.right - kMinWindowSize);
  if (right)
    r.right = std::clamp<LONG>(start.right + dx, start.left + kMinWindowSize, start.left + kMaxWindowSize);
  if (top)
    r.top = std::clamp<LONG>(start.top + dy, start.bottom - kMaxWindowSize, start.bottom - kMinWindowSize);
  if (bottom)
    r.bottom = std::clamp<LONG>(start.bottom + dy, start.top + kMinWindowSize, start.top + kMaxWindowSize);
  return r;
}

}  // namespace plat::backend
