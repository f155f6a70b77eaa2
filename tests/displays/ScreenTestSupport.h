#pragma once
// A fixture for displays on the headless screen: the application and its
// forms for each test, the message pump, a white form to put a display on,
// and presented pixels as 0x00RRGGBB.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"

namespace displaytest {

inline uint32_t Rgb(vcl::TColor c) {
  auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    vcl::InitForms();
  }
  void TearDown() override {
    vcl::DoneForms();
    Pump();
    vcl::DoneApplication();
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }

  static plat::backend::HeadlessBackend* Screen() {
    return dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  }

  // A borderless white 200 x 120 form at (100, 100), not shown yet.
  vcl::TForm* NewForm() {
    form_ = new vcl::TForm(vcl::Application);
    form_->SetBorderStyle(vcl::bsNone);
    form_->SetBounds(100, 100, 200, 120);
    form_->SetColor(vcl::clWhite);
    return form_;
  }

  // Shows the form and lets it paint.
  void ShowForm() {
    form_->Show();
    plat::UpdateWindow(form_->Handle());
    Pump();
  }

  // The presented pixel at a point of the form's client area.
  uint32_t At(int x, int y) { return Screen()->PresentedPixel(form_->Handle(), x, y); }

  vcl::TForm* form_ = nullptr;
};

}  // namespace displaytest
