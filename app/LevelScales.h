#pragma once
// The scale pictures drawn beside the level meters, one per broadcast meter
// standard. Each paints a picture of width w and height h on the canvas: black
// ground, the standard's red zone where it has one, then ticks and labels in
// the line colour. Positions are integer divisions of the height, so a picture
// drawn for another panel height keeps its proportions.
#include "platform/vcl/Graphics.h"

namespace app {

void DrawScaleNordic(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);
void DrawScaleDIN(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);
void DrawScaleBBC(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);
void DrawScaleEBU(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);
void DrawScaleK20(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);
void DrawScaleK14(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);
void DrawScaleK12(vcl::TCanvas* canvas, int w, int h, vcl::TColor line);

// The painter of ballistics index 0..7 (rg_Meter's order); false for the
// dBFS scale (4), which is the scale component and not a picture, and for
// indices outside the list.
bool DrawScaleOf(int index, vcl::TCanvas* canvas, int w, int h, vcl::TColor line);

}  // namespace app
