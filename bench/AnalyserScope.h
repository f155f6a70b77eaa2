// The analyser page's oscilloscope as the benchmarks set it up: connected
// lines with mid line, both scales and grid, FFTLength 256, 561 x 197.
#pragma once

#include "displays/MMOscope.h"

namespace bench {

inline void ShapeAnalyserScope(displays::TMMOscope* scope, int left, int top) {
  scope->SetKind(displays::okConLines);
  scope->SetForegroundColor(vcl::clYellow);
  scope->SetDrawMidLine(true);
  scope->SetDrawAmpScale(true);
  scope->SetDrawTimeScale(true);
  scope->SetDrawGrid(true);
  scope->SetFFTLength(256);
  scope->SetBounds(left, top, 561, 197);
}

}  // namespace bench
