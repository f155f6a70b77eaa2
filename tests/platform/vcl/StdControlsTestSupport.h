#pragma once
// A shown form on the headless screen, with injected input and pixel reads,
// for the tests of the standard controls.
#include <gtest/gtest.h>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

namespace vcltest {

class StdControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::clock::UseManual();
    vcl::InitApplication();
    vcl::InitForms();
    vcl::RegisterStdControlClasses();
    form_ = new vcl::TForm(vcl::Application);
    form_->SetBounds(40, 40, 400, 300);
    form_->SetColor(vcl::clRed);
  }
  void TearDown() override {
    vcl::Application->OnIdle = nullptr;
    vcl::DoneForms();
    Pump();
    vcl::DoneApplication();
    plat::clock::UseReal();
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }
  void ShowForm() {
    form_->Show();
    Pump();
  }
  plat::backend::HeadlessBackend* Screen() {
    return dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  }
  // A click at a point of the control's client area.
  void Click(vcl::TControl* control, int x, int y) {
    Screen()->InjectClick(control->ClientToScreen(vcl::TPoint{x, y}));
    Pump();
  }
  void Key(plat::UINT vk) {
    Screen()->InjectKey(vk, true);
    Screen()->InjectKey(vk, false);
    Pump();
  }
  // The form's client pixel as painted.
  plat::COLORREF Pixel(int x, int y) {
    plat::UpdateWindow(form_->Handle());
    plat::HDC dc = plat::GetDC(form_->Handle());
    plat::COLORREF c = plat::GetPixel(dc, x, y);
    plat::ReleaseDC(form_->Handle(), dc);
    return c;
  }

  vcl::TForm* form_ = nullptr;
};

}  // namespace vcltest
