#pragma once
// Skinned edits (a flat border in the skin's colours and skinned spin
// children), combo boxes (the drop-down button and sunken edge from the
// skin's combo images) and progress bars (the skin's empty and full frames,
// or its chunks over the empty frame).
//
// Combo frames: 1 normal, 2 pressed, 3 disabled, 4 focused or hovered.
// A drop-down combo's edit is followed through the window's subclass
// chain; a drop-down list has no such child; a simple combo's list gets
// skinned scroll bars (a TSkinScrollbarH). Main thread only.
#include <memory>

#include "platform/user/ComboBox.h"
#include "skin/WinSubClass.h"

namespace skin {

// The window rectangle framed in the skin's shadow colour and then `whites`
// times, each 1 pixel further in, in white; nothing for a window without a
// border.
void DrawFlatBorder(TSkinControl* companion, plat::HDC dc, const vcl::TRect& rect, int whites);

class TSkinEdit : public TSkinControl {
 public:
  explicit TSkinEdit(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  // The window rectangle framed in the shadow colour and, 1 and 2 pixels
  // further in, in white; nothing for an edit without a border.
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;

 private:
  // The border a WM_PRINT caller gets on its DC.
  void PrintBorder(plat::HDC dc);
  // The first spin child without a companion gets an up-down one that
  // keeps off the edit's edges.
  void SkinSpinChild();
};

class TSkinComBox : public TSkinControl {
 public:
  explicit TSkinComBox(vcl::TComponent* subject = nullptr);
  ~TSkinComBox() override;

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                    vcl::TCanvas* canvas) override;
  void Unskin() override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  // The frame the combo shows now.
  int CurrentFrame() const;

  plat::DWORD StyleBits = 0;
  plat::DWORD ExStyleBits = 0;
  // The list of a simple combo box; nil otherwise.
  plat::HWND ListHandle = nullptr;
  // The companion of that list's scroll bars, nil when there is none.
  TSkinControl* ListScrollbars() const;
  // The subclassed edit of a drop-down combo; nil for a drop-down list.
  plat::HWND EditHandle = nullptr;
  plat::COMBOBOXINFO ComboInfo{};

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;

 private:
  bool was_dropped_ = false;  // the list was open at the last paint
  void AttachParts();
  void ReleaseEdit();
  // Frees the list's companion (it lives in the form skin's list).
  void ReleaseList();
  void FlatPainter(plat::HDC dc, const vcl::TRect& rect);
  static plat::LRESULT EditProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                                plat::UINT_PTR id, plat::DWORD_PTR ref);

  // Lives as long as the companion; the edit's handler holds a copy across
  // the edit's own handling to see whether the companion went meanwhile.
  std::shared_ptr<bool> alive_;
};

class TSkinProgress : public TSkinControl {
 public:
  explicit TSkinProgress(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  // Pixels of the full frame along the bar for the position of `pos` in
  // 0..high; nothing below 1 for either.
  static int FilledLength(int length, int pos, int high);

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;

 private:
  bool HasImage() const;
  // The filled part of a chunked bar, lying, into the work bitmap's DC.
  void DrawChunks(plat::HDC dc, int filled, int height);
};

}  // namespace skin
