// The form skin's frame: border sizes, WM_NCCALCSIZE, frame and caption
// painting, caption-button layout and visibility, and the window region.
#include <algorithm>

#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinMenu.h"

namespace skin {

namespace {

vcl::TRect Margins(const TDataSkinObject& e) {
  return vcl::Rect(e.LeftWidth, e.TopHeight, e.RightWidth, e.BottomHeight);
}

int Frames(const TDataSkinObject& e) { return std::max(e.Frame, 1); }

}  // namespace

TDataSkinBorder* TWinSkinForm::Border(int part) const {
  TParsedSkin& s = skin_data_->Skin();
  switch (part) {
    case 1:
      return s.Left.get();
    case 2:
      return s.Right.get();
    case 3:
      return s.Top.get();
    default:
      return s.Bottom.get();
  }
}

void TWinSkinForm::FreeNCObjects() { nc_objects_.clear(); }

void TWinSkinForm::BuildNCMetrics() {
  if (!skin_data_ || skin_data_->NotLoaded()) return;
  if (border_kind_ == 2) {
    border_left_ = border_top_ = border_right_ = border_bottom_ = menu_bar_height_ = 0;
  } else {
    auto across = [](const TDataSkinBorder* e) { return e ? e->Bitmap.Width() / Frames(*e) : 0; };
    auto down = [](const TDataSkinBorder* e) { return e ? e->Bitmap.Height() / Frames(*e) : 0; };
    border_top_ = down(Border(3));
    border_left_ = across(Border(1));
    border_right_ = across(Border(2));
    border_bottom_ = down(Border(4));
  }
  FreeNCObjects();
  bool icon = false;
  for (const auto& element : skin_data_->Skin().SysButtons) {
    nc_objects_.push_back(std::make_unique<TWinSysButton>(this, element.get()));
    icon = icon || element->Action == 3 || element->Action == 11;
  }
  // Icon buttons show this window's own icon; the shared elements are left
  // as they are, so windows never size each other's icon buttons.
  if (icon) LoadWindowIcon();
}

void TWinSkinForm::LoadWindowIcon() {
  icon_size_ = std::max(plat::GetSystemMetrics(plat::SM_CXSMICON), 1);
  icon_ = reinterpret_cast<plat::HICON>(plat::SendMessageA(handle_, plat::WM_GETICON, plat::ICON_SMALL, 0));
  if (!icon_)
    icon_ = reinterpret_cast<plat::HICON>(plat::SendMessageA(handle_, plat::WM_GETICON, plat::ICON_BIG, 0));
  icon_bitmap_.SetPixelFormat(vcl::pf24bit);
  icon_bitmap_.SetSize(icon_size_, icon_size_);
  icon_bitmap_.Canvas()->Brush()->SetColor(kSkinKeyColour);
  icon_bitmap_.Canvas()->FillRect(vcl::Rect(0, 0, icon_size_, icon_size_));
  if (icon_)
    plat::DrawIconEx(icon_bitmap_.Canvas()->Handle(), 0, 0, icon_, icon_size_, icon_size_, 0, nullptr,
                     plat::DI_NORMAL);
  else
    icon_bitmap_.SetSize(0, 0);
}

void TWinSkinForm::PaintWindowIcon(plat::HDC dc, const vcl::TRect& rect) {
  if (icon_)
    plat::DrawIconEx(dc, rect.left, rect.top, icon_, icon_size_, icon_size_, 0, nullptr, plat::DI_NORMAL);
  else if (!icon_bitmap_.Empty())
    SkinDrawTransparent(dc, rect, &icon_bitmap_, kSkinKeyColour);
}

vcl::TBitmap* TWinSkinForm::ButtonImage(const TWinSysButton& button, int& frames) {
  const TDataSkinSysButton& e = *button.Element;
  if (!e.Bitmap.Empty()) {
    frames = Frames(e);
    return const_cast<vcl::TBitmap*>(&e.Bitmap);
  }
  if ((e.Action == 3 || e.Action == 11) && !icon_bitmap_.Empty()) {
    frames = 1;
    return &icon_bitmap_;
  }
  return nullptr;
}

plat::LRESULT TWinSkinForm::OnNCCalcSize(plat::WPARAM wparam, plat::LPARAM lparam) {
  auto* params = reinterpret_cast<plat::NCCALCSIZE_PARAMS*>(lparam);
  plat::RECT proposed = wparam && params ? params->rgrc[0] : plat::RECT{};
  plat::LRESULT r = PassOn(plat::WM_NCCALCSIZE, wparam, lparam);
  if (!wparam || !params) return wparam ? r : 0;
  if (border_kind_ == 2) {
    params->rgrc[1] = params->rgrc[0];
    return plat::WVR_VALIDRECTS;
  }
  int x = proposed.left, y = proposed.top, cx = proposed.right - proposed.left,
      cy = proposed.bottom - proposed.top;
  if (params->lppos) {
    x = params->lppos->x;
    y = params->lppos->y;
    cx = params->lppos->cx;
    cy = params->lppos->cy;
  }
  plat::RECT client{x + border_left_, y + border_top_ + menu_bar_height_, x + cx - border_right_,
                    y + cy - border_bottom_};
  params->rgrc[0] = params->rgrc[1] = client;
  return plat::WVR_VALIDRECTS;
}

plat::LRESULT TWinSkinForm::OnNCPaint(plat::WPARAM wparam, plat::LPARAM lparam) {
  SetSysMenuStyle(true);
  if (!skin_data_->FramePaint()) return 0;
  if (border_kind_ == 2) return PassOn(plat::WM_NCPAINT, wparam, lparam);
  PaintFrame();
  return 0;
}

plat::LRESULT TWinSkinForm::OnNCActivate(plat::WPARAM wparam) {
  active_ = wparam != 0;
  if (init_done_) SetHoverTimer(active_);
  PaintFrame();
  return 1;
}

void TWinSkinForm::PaintFrame(plat::HDC dc) {
  if ((phase_ != 1 && phase_ != 3) || border_kind_ == 2 || painting_) return;
  // A handler asked during painting (SKM_BUTTONVISIBLE) may repaint; the
  // caption bitmap is in use until this paint ends.
  painting_ = true;
  plat::ScopeExit done([this] { painting_ = false; });
  plat::HDC own = dc ? nullptr : plat::GetWindowDC(handle_);
  if (own) dc = own;
  if (!dc) return;
  plat::RECT r{};
  plat::GetWindowRect(handle_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  painted_width_ = w;
  painted_height_ = h;
  try {
    if (window_state_ == 2) {
      PaintCaptionBar(dc);
    } else {
      PaintBorderPart(1, vcl::Rect(0, 0, border_left_, h), dc);
      PaintBorderPart(2, vcl::Rect(w - border_right_, 0, w, h), dc);
      PaintBorderPart(4, vcl::Rect(border_left_, h - border_bottom_, w - border_right_, h), dc);
      PaintCaptionBar(dc);
      const vcl::TRect strip =
          vcl::Rect(border_left_, border_top_, w - border_right_, border_top_ + menu_bar_height_);
      if (menu_bar_) {
        menu_bar_->PaintBar(dc, strip);
      } else if (menu_bar_height_ > 0) {
        plat::RECT r{strip.left, strip.top, strip.right, strip.bottom};
        plat::FillRect(dc, &r, skin_data_->Skin().FaceBrush.Handle());
      }
    }
  } catch (const std::exception&) {
    // A frame that cannot be drawn is left as it is; the window stays usable.
  }
  for (auto& b : nc_objects_) b->ButtonState = 1;
  if (own) plat::ReleaseDC(handle_, own);
}

void TWinSkinForm::PaintBorderPart(int part, const vcl::TRect& rect, plat::HDC dc) {
  if (rect.right - rect.left <= 0 || rect.bottom - rect.top <= 0) return;
  TDataSkinBorder* e = Border(part);
  if (!e || e->Bitmap.Empty()) return;
  const int frames = Frames(*e);
  const int frame = active_ || frames == 1 ? 1 : 2;
  SkinDrawElement(dc, rect, &e->Bitmap, part >= 3, e->Tile != 1, false, frames, frame, Margins(*e));
}

void TWinSkinForm::PaintCaptionBar(plat::HDC dc) {
  const int w = painted_width_, h = painted_height_;
  vcl::TRect area;
  caption_bitmap_.SetPixelFormat(vcl::pf24bit);
  if (window_state_ == 2) {
    caption_bitmap_.SetSize(w, h);
    caption_bitmap_.Canvas()->Brush()->SetColor(skin_data_->Skin().ButtonFace);
    caption_bitmap_.Canvas()->FillRect(vcl::Rect(0, 0, w, h));
    area = vcl::Rect(0, 0, w, border_top_);
  } else {
    caption_bitmap_.SetSize(w, border_top_);
    // The corners the side parts drew stay.
    plat::BitBlt(caption_bitmap_.Canvas()->Handle(), 0, 0, w, border_top_, dc, 0, 0, plat::SRCCOPY);
    area = vcl::Rect(border_left_, 0, w - border_right_, border_top_);
  }
  if (area.right <= area.left || area.bottom <= area.top) return;
  vcl::TCanvas* canvas = caption_bitmap_.Canvas();
  PaintBorderPart(3, area, canvas->Handle());
  // Buttons at the right edge are placed first: the caption text stops
  // short of them.
  LayoutButtons();
  PaintCaptionText(canvas, area);
  LayoutButtons();
  PaintButtons(canvas);
  plat::BitBlt(dc, 0, 0, caption_bitmap_.Width(), caption_bitmap_.Height(), canvas->Handle(), 0, 0,
               plat::SRCCOPY);
  plat::SetBkMode(dc, plat::OPAQUE);
}

vcl::TRect TWinSkinForm::PlaceCaptionText(const vcl::TRect& area, int text_width, int text_height) {
  const TDataSkinTitle& t = *skin_data_->Skin().Title;
  const int width = text_width + t.TXTBackleft + t.TXTBackRight;
  const int area_width = area.right - area.left, area_height = area.bottom - area.top;
  int x = 0;
  switch (t.TextAlignment) {
    case 0:
      x = t.TextShift();
      break;
    case 1:
      x = (area_width - width) / 2;
      break;
    case 2:
      x = area_width - t.TextRightClip() - width;
      break;
    default:
      break;
  }
  if (right_to_left_) x = area_width - t.TextRightClip() - width;
  const int y = (area_height - text_height) / 2 + t.TextShiftVert() / 2;
  vcl::TRect rect = vcl::Rect(area.left + x, area.top + y, area.left + x + width, area.top + y + text_height);
  if (style_ & plat::WS_POPUP) {
    if (right_buttons_left_ > 5) rect.right = std::min(rect.right, right_buttons_left_ - 5);
  } else {
    rect.right = std::min(rect.right, area.right - t.TextRightClip());
  }
  if (border_kind_ == 3 && t.TextAlignment == 0) rect.left -= 16;
  caption_text_rect_ = rect;
  return rect;
}

void TWinSkinForm::PaintCaptionText(vcl::TCanvas* canvas, const vcl::TRect& area) {
  std::string text(1000, '\0');
  text.resize(static_cast<size_t>(std::max(plat::GetWindowTextA(handle_, text.data(), 1000), 0)));
  text = caption_prefix_ + text + caption_suffix_;
  TParsedSkin& s = skin_data_->Skin();
  const TDataSkinTitle& t = *s.Title;
  plat::HDC dc = canvas->Handle();
  plat::HGDIOBJ old_font = plat::SelectObject(dc, skin_data_->CaptionFont()->Handle());
  const int old_mode = plat::SetBkMode(dc, plat::TRANSPARENT);
  plat::SetTextColor(
      dc, static_cast<plat::COLORREF>(vcl::ColorToRGB(active_ ? s.TitleTextActive : s.TitleTextNoActive)));
  plat::RECT measure{0, 0, 0, 0};
  SkinDrawText(dc, text, &measure, plat::DT_CALCRECT | plat::DT_SINGLELINE);
  vcl::TRect rect = PlaceCaptionText(area, measure.right - measure.left, measure.bottom - measure.top);
  if (!t.Bitmap.Empty())
    SkinDrawBand(canvas, vcl::Rect(rect.left, area.top, rect.right, area.bottom),
                 const_cast<vcl::TBitmap*>(&t.Bitmap), true, true, 2, active_ ? 1 : 2,
                 vcl::Rect(t.TXTBackleft, 0, t.TXTBackRight, 0));
  plat::RECT box{rect.left + t.TXTBackleft, rect.top, rect.right - t.TXTBackRight, rect.bottom};
  if (box.right > box.left)
    SkinDrawText(dc, text, &box,
                 plat::DT_SINGLELINE | plat::DT_END_ELLIPSIS | (right_to_left_ ? plat::DT_RIGHT : 0u));
  plat::SetBkMode(dc, old_mode);
  plat::SelectObject(dc, old_font);
}

void TWinSkinForm::LayoutButtons() {
  const int w = painted_width_;
  right_buttons_left_ = 0;
  const TDataSkinObject* bar = skin_data_->Skin().MenuBar.get();
  for (size_t i = 0; i < nc_objects_.size(); ++i) {
    TWinSysButton& b = *nc_objects_[i];
    int frames = 1;
    vcl::TBitmap* image = ButtonImage(b, frames);
    if (!ButtonVisible(static_cast<int>(i)) || !image || image->Empty()) continue;
    const TDataSkinSysButton& e = *b.Element;
    const int bw = image->Width() / frames, bh = image->Height();
    int x = 0, y = 0;
    switch (e.Align) {
      case 0:
        x = e.Xcoord;
        y = e.Ycoord;
        break;
      case 1:
        x = w - e.Xcoord;
        y = e.Ycoord;
        right_buttons_left_ = std::max(right_buttons_left_, x);
        break;
      case 2:
      case 8:
        x = caption_text_rect_.left - bw - e.Xcoord;
        y = e.Ycoord;
        break;
      case 3:
      case 9:
        x = e.Xcoord + caption_text_rect_.right;
        y = e.Ycoord;
        break;
      case 100: {
        const int edge = bar ? bar->LeftWidth : 0;
        y = (menu_bar_height_ - bh) / 2 + border_top_;
        x = right_to_left_ ? e.Xcoord + border_left_ + edge : w - e.Xcoord - border_right_ - edge;
        break;
      }
      default:
        break;
    }
    b.Rect = vcl::Rect(x, y, x + bw, y + bh);
  }
}

bool TWinSkinForm::ButtonVisible(int index) {
  TWinSysButton& b = *nc_objects_.at(static_cast<size_t>(index));
  const TDataSkinSysButton& e = *b.Element;
  // Styles as they were at attaching: the painter takes WS_SYSMENU off.
  const bool maximized = window_state_ == 1;
  const bool max_box = caption_flags_ & 1, min_box = caption_flags_ & 2, sys_menu = caption_flags_ & 8;
  const int v = e.Visibility;
  bool first = false;
  switch (v) {
    case 0:
      first = true;
      break;
    case 1:
      first = maximized;
      break;
    case 2:
      first = !maximized;
      break;
    case 3:
      first = active_;
      break;
    case 4:
      first = !active_;
      break;
    case 6:
      first = max_box && sys_menu;
      break;
    case 7:
      first = !max_box;
      break;
    case 8:
      first = min_box && sys_menu;
      break;
    case 9:
      first = !min_box;
      break;
    case 100:
      first = false;  // no child-window frames here
      break;
    case 200:
      first = border_kind_ == 3 && !dialog_;
      break;
    default:
      if (v >= 201 && v <= 999)
        first = true;
      else if (v >= 1000 && v <= 2000)
        first = plat::SendMessageA(handle_, SKM_BUTTONVISIBLE, static_cast<plat::WPARAM>(v), e.Action) > 0;
      break;
  }
  bool second = false;
  switch (e.Visibility1) {
    case 0:
      second = true;
      break;
    case 1:
      second = maximized;
      break;
    case 2:
      second = !maximized;
      break;
    case 3:
      second = active_;
      break;
    case 4:
      second = !active_;
      break;
    case 6:
      second = max_box;
      break;
    case 7:
      second = !max_box;
      break;
    case 8:
      second = min_box;
      break;
    case 9:
      second = !min_box;
      break;
    case 100:
      second = first;
      break;
    default:
      break;
  }
  bool visible = first && second;
  switch (e.Action) {
    case 0:
      visible = visible && sys_menu;
      break;
    case 1:
      visible = visible && max_box;
      break;
    case 2:
      visible = visible && min_box;
      break;
    case 3:
    case 11:
    case 12:
      visible = visible && border_kind_ != 3;
      break;
    default:
      break;
  }
  b.Visible = visible;
  return visible;
}

void TWinSkinForm::PaintButtons(vcl::TCanvas* canvas) {
  for (auto& b : nc_objects_) {
    int frames = 1;
    vcl::TBitmap* image = ButtonImage(*b, frames);
    if (!b->Visible || !image || image->Empty() || b->Element->Visibility == 100) continue;
    if (b->Element->Action == 3 || b->Element->Action == 11)
      PaintWindowIcon(canvas->Handle(), b->Rect);
    else
      SkinDrawFrame(canvas->Handle(), b->Rect, image, true, frames, active_ || frames < 4 ? 1 : 4);
  }
}

void TWinSkinForm::PaintButton(TWinSysButton& button, int frame) {
  int frames = 1;
  vcl::TBitmap* image = ButtonImage(button, frames);
  if (!image || image->Empty()) return;
  plat::HDC dc = plat::GetWindowDC(handle_);
  if (!dc) return;
  if (button.Element->Action == 3 || button.Element->Action == 11) {
    PaintWindowIcon(dc, button.Rect);
  } else {
    if (frame == 3 && button.Element->Visibility == 100) frame = 4;
    SkinDrawFrame(dc, button.Rect, image, true, frames, frame);
  }
  plat::ReleaseDC(handle_, dc);
}

plat::HRGN TWinSkinForm::BorderRegion(int part, int x, int y, int w, int h) {
  TDataSkinBorder* e = Border(part);
  std::unique_ptr<vcl::TBitmap> image;
  if (e && !e->Bitmap.Empty()) {
    const int frames = Frames(*e);
    image = SkinRenderImage(vcl::Rect(0, 0, w, h), &e->Bitmap, Margins(*e), part >= 3, e->Tile != 1, frames,
                            active_ || frames == 1 ? 1 : 2);
  }
  if (!image) return plat::CreateRectRgn(x, y, x + w, y + h);
  plat::HRGN region = SkinRegionFromMask(image.get(), x, y, 1, 1, 1, kSkinKeyColour);
  return region ? region : plat::CreateRectRgn(0, 0, 0, 0);
}

void TWinSkinForm::BuildRegion() {
  if (phase_ == 6 || !frame_skinned_) return;
  plat::RECT r{};
  plat::GetWindowRect(handle_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  if (w == region_width_ && h == region_height_ && phase_ != 3) return;
  // Remembered whether or not the borders are shaped, so a resize to the
  // same size never sets the region again.
  region_width_ = w;
  region_height_ = h;
  bool shaped = false;
  for (int part = 1; part <= 4; ++part) shaped = shaped || (Border(part) && Border(part)->Trans != 0);
  plat::HRGN region = nullptr;
  if (!shaped) {
    region = plat::CreateRectRgn(0, 0, w, h);
  } else {
    const int bl = border_left_, bt = border_top_, br = border_right_, bb = border_bottom_;
    region = plat::CreateRectRgn(bl, bt, w - br, h - bb);
    if (border_kind_ != 2) {
      auto has_trans = [this](int part) { return Border(part) && Border(part)->Trans != 0; };
      plat::HRGN left =
          has_trans(1) && h > 1 ? BorderRegion(1, 0, 0, bl, h) : plat::CreateRectRgn(0, 0, bl, h);
      plat::HRGN right =
          has_trans(2) && h > 1 ? BorderRegion(2, w - br, 0, br, h) : plat::CreateRectRgn(w - br, 0, w, h);
      const int strip = w - bl - br;
      plat::HRGN bottom = has_trans(4) && bb >= 2 && strip > 0 ? BorderRegion(4, bl, h - bb, strip, bb)
                                                               : plat::CreateRectRgn(bl, h - bb, w - br, h);
      plat::HRGN top = has_trans(3) && bt > 1 && strip > 0 ? BorderRegion(3, bl, 0, strip, bt)
                                                           : plat::CreateRectRgn(bl, 0, w - br, bt);
      plat::CombineRgn(left, left, right, plat::RGN_OR);
      plat::CombineRgn(top, top, bottom, plat::RGN_OR);
      plat::CombineRgn(left, left, top, plat::RGN_OR);
      plat::CombineRgn(region, region, left, plat::RGN_OR);
      for (plat::HRGN part : {left, right, top, bottom}) plat::DeleteObject(part);
    }
  }
  plat::SetWindowRgn(handle_, region, plat::TRUE);
  region_owned_ = true;
  ++region_builds_;
}

void TWinSkinForm::DropRegion() {
  if (!region_owned_) return;
  plat::SetWindowRgn(handle_, nullptr, plat::FALSE);
  region_owned_ = false;
  region_width_ = region_height_ = -1;
}

}  // namespace skin
