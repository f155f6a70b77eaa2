#pragma once
// A companion for tests: it counts what reaches it and draws through a
// routine the test gives. Its counters live outside it, so they can be read
// after it is gone.
#include <functional>
#include <vector>

#include "platform/vcl/Controls.h"
#include "skin/WinSubClass.h"

namespace skin_test {

struct CompanionLog {
  std::vector<plat::UINT> pre;
  std::vector<plat::UINT> post;
  int draws = 0;
  int freed = 0;
};

class TProbeCompanion : public skin::TSkinControl {
 public:
  TProbeCompanion(vcl::TComponent* subject, CompanionLog* log) : TSkinControl(subject), log_(log) {}
  ~TProbeCompanion() override { ++log_->freed; }

  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override {
    ++log_->draws;
    if (Draw) Draw(dc, rect);
  }
  std::function<void(plat::HDC, const vcl::TRect&)> Draw;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override {
    log_->pre.push_back(message.Msg);
    return TSkinControl::PreProcessMessage(message);
  }
  void PostProcessMessage(vcl::TMessage& message) override {
    log_->post.push_back(message.Msg);
    TSkinControl::PostProcessMessage(message);
  }

 private:
  CompanionLog* log_;
};

inline bool Saw(const std::vector<plat::UINT>& log, plat::UINT message) {
  for (plat::UINT m : log)
    if (m == message) return true;
  return false;
}

}  // namespace skin_test
