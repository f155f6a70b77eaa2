// The stereo correlation meter above the spectrum: Pearson's r of the two top
// scopes' traces on every refresh pass of conect2, its moving average as a
// bar in Image4, the extremes of the average and the share of time it was
// not negative.
#include <algorithm>
#include <cmath>

#include "app/Corre.h"
#include "app/MainForm.h"
#include "app/Settings.h"
#include "controls/MMColBtn.h"

namespace app {

namespace {

// Rows of Image4: the bars above, the scale in the bottom ones.
constexpr int kScaleRows = 17;
// Bar position of a correlation x 1000; 150 is zero.
constexpr int BarPosition(int value) { return std::clamp(value, -1000, 1000) / 7 + 150; }

int Permille(double value) { return static_cast<int>(std::trunc(value * 1000.0)); }

}  // namespace

void TFrmMain::StartCorrelation() {
  SetCorrelationAverage(ReadInteger("average_c", 149));
  TCorrelationColors colors = correlation_colors_;
  if (fCorre) {
    colors.zero = fCorre->MMColorButton5->Value();
    colors.below = fCorre->MMColorButton6->Value();
    colors.above = fCorre->MMColorButton4->Value();
    colors.line = fCorre->color_1->Value();
  }
  ReadCorrelationColors(colors);
  if (fCorre) fCorre->rg_correlationClick(fCorre);
  correlation_.index = 1;
}

void TFrmMain::ReadCorrelationColors(TCorrelationColors colors) {
  colors.zero = ReadInteger("c_bar_o", colors.zero);
  colors.below = ReadInteger("c_bar_m", colors.below);
  colors.above = ReadInteger("c_bar_p", colors.above);
  colors.line = ReadInteger("c_line", colors.line);
  SetCorrelationColors(colors);
}

void TFrmMain::SetCorrelationAverage(int value) {
  // A longer average would write past the history; a different one with the
  // old fill index would divide the new sum by the old count.
  value = std::clamp(value, 1, TCorrelationState::kMaxAverage);
  if (value == correlation_.average) return;
  correlation_.average = value;
  correlation_.index = 1;
}

void TFrmMain::SetCorrelationSpeed(int average, int history_length) {
  SetCorrelationAverage(average);
  correlation_.history_length = std::clamp(history_length, 1, TCorrelationState::kBarHistorySize - 1);
  correlation_.index = 1;
}

void TFrmMain::SetCorrelationColors(const TCorrelationColors& colors) {
  correlation_colors_ = colors;
  DrawCorrelationScale();
}

void TFrmMain::DrawCorrelationScale() {
  correlation_.drawn_position = correlation_.drawn_average = -1;
  vcl::TCanvas* canvas = Image4->Canvas();
  const int w = Image4->Width();
  const int h = Image4->Height();
  canvas->Brush()->SetColor(vcl::clBlack);
  canvas->FillRect(vcl::Rect(0, 0, w, h));
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(correlation_colors_.line);
  const int top = h - kScaleRows;
  canvas->MoveTo(BarPosition(-1000), top + 1);
  canvas->LineTo(BarPosition(1000) + 1, top + 1);
  for (int value = -1000; value <= 1000; value += 500) {
    canvas->MoveTo(BarPosition(value), top + 1);
    canvas->LineTo(BarPosition(value), top + 5);
  }
  vcl::TFont* font = canvas->Font();
  font->SetName("Arial");
  font->SetSize(7);
  font->SetColor(correlation_colors_.line);
  struct Label {
    int value;
    const char* text;
  };
  for (const Label& label : {Label{-1000, "-1"}, Label{0, "0"}, Label{1000, "+1"}}) {
    const int x = BarPosition(label.value) - canvas->TextWidth(label.text) / 2;
    canvas->TextOut(std::clamp(x, 0, std::max(0, w - canvas->TextWidth(label.text))), top + 5, label.text);
  }
  Image4->Invalidate();
}

void TFrmMain::UpdateCorrelation() {
  const auto left = os_l->PointValues();
  const auto right = os_r->PointValues();
  double r = TraceCorrelation(left, right, 1, 199);
  if (!std::isfinite(r)) r = 0.0;
  TCorrelationState& c = correlation_;
  if (c.index <= c.average) {
    c.history[static_cast<size_t>(c.index)] = r;
    c.sum = 0.0;
    for (int k = 1; k <= c.index; ++k) c.sum += c.history[static_cast<size_t>(k)];
    DrawCorrelationMeter(Permille(c.sum / c.index));
    ++c.index;
    c.sum = 0.0;
  }
  // The pass that ends the filling runs this part as well, with the same r.
  if (c.index >= c.average) {
    for (int k = c.index; k >= 1; --k)
      c.history[static_cast<size_t>(k)] = c.history[static_cast<size_t>(k - 1)];
    c.history[0] = r;
    c.sum = 0.0;
    for (int k = 0; k <= c.average; ++k) c.sum += c.history[static_cast<size_t>(k)];
    const double mean = c.sum / c.index;
    DrawCorrelationMeter(Permille(mean));
    if (mean < c.min && mean >= -1.0) {
      c.min = mean;
      Lab_Min->SetCaption(vcl::Format("%7.2f", {mean}));
    }
    if (mean > c.max && mean <= 1.0) {
      c.max = mean;
      Lab_Max->SetCaption(vcl::Format("%7.2f", {mean}));
    }
  }
}

void TFrmMain::DrawCorrelationMeter(int value) {
  const int x = BarPosition(value);
  const int average = AverageCorrelation(x);
  // The bars drawn last are the bars of this pass: the picture stands.
  TCorrelationState& c = correlation_;
  if (x == c.drawn_position && average == c.drawn_average) return;
  c.drawn_position = x;
  c.drawn_average = average;
  vcl::TCanvas* canvas = Image4->Canvas();
  // The rows of the bars are cleared too, so the picture shows this pass only.
  canvas->Brush()->SetColor(vcl::clBlack);
  canvas->FillRect(vcl::Rect(0, 0, Image4->Width(), Image4->Height() - kScaleRows));
  canvas->Pen()->SetWidth(2);
  DrawCorrelationBar(Image4, static_cast<int>(std::trunc(correlation_.min)), average, x,
                     static_cast<int>(std::trunc(correlation_.max)));
}

int TFrmMain::AverageCorrelation(int position) {
  auto& bars = correlation_.bar_history;
  const int length = correlation_.history_length;
  for (int k = length; k >= 1; --k) bars[static_cast<size_t>(k)] = bars[static_cast<size_t>(k - 1)];
  bars[0] = position;
  int sum = 0;
  for (int k = 0; k <= length; ++k) sum += bars[static_cast<size_t>(k)];
  return sum / (length + 1);
}

void TFrmMain::DrawCorrelationBar(vcl::TImage* image, int, int average, int position, int) {
  if (average < 150) average -= 4;
  if (average > 150) average += 1;
  if (position < 150) position -= 4;
  if (position > 150) position += 4;
  image->Invalidate();
  vcl::TCanvas* canvas = image->Canvas();
  canvas->Brush()->SetColor(correlation_colors_.zero);
  canvas->Pen()->SetColor(vcl::clYellow);
  canvas->Rectangle(position, 0, average, 8);
  canvas->Pen()->SetColor(position == 150  ? correlation_colors_.zero
                          : position < 150 ? correlation_colors_.below
                                           : correlation_colors_.above);
  canvas->Rectangle(position, 15, position + 3, 0);
}

void TFrmMain::t_correTimer(vcl::TObject*) {
  TCorrelationState& c = correlation_;
  if (c.index > 0 && c.sum / c.index >= 0.0) ++c.positive;
  ++c.total;
  const int p = static_cast<int>(std::trunc(static_cast<double>(c.positive) / c.total * 100.0));
  lab_cor_p->SetCaption(vcl::IntToStr(p) + "%");
  lab_cor_p2->SetCaption(vcl::IntToStr(100 - p) + "%");
}

void TFrmMain::lab_cor_pClick(vcl::TObject*) {
  TCorrelationState& c = correlation_;
  c.positive = 0;
  c.total = 0;
  c.min = 0.0;
  c.max = 0.0;
  lab_cor_p->SetCaption("0%");
  lab_cor_p2->SetCaption("0%");
  Lab_Max->SetCaption("0.00");
  Lab_Min->SetCaption("0.00");
}

void TFrmMain::CorrelationSettings1Click(vcl::TObject*) {
  if (fCorre) fCorre->Show();
}

}  // namespace app
