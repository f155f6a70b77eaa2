#include "tools/skinpack/SkinArt.h"

#include <algorithm>
#include <functional>

namespace skinpack {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

Rgb Mix(Rgb a, Rgb b, int percent_b) {
  auto m = [&](int x, int y) {
    return static_cast<uint8_t>((x * (100 - percent_b) + y * percent_b + 50) / 100);
  };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

class Picture {
 public:
  Picture(int width, int height, Rgb fill)
      : width_(width), height_(height), pixels_(static_cast<size_t>(width * height), fill) {}

  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[static_cast<size_t>(y * width_ + x)] = c;
  }
  void Fill(int x, int y, int w, int h, Rgb c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Set(i, j, c);
  }
  // Top to bottom from `a` to `b`.
  void Gradient(int x, int y, int w, int h, Rgb a, Rgb b) {
    for (int j = 0; j < h; ++j) Fill(x, y + j, w, 1, Mix(a, b, h > 1 ? j * 100 / (h - 1) : 0));
  }
  // A one-pixel edge: `lit` above and left, `shade` below and right.
  void Edge(int x, int y, int w, int h, Rgb lit, Rgb shade) {
    Fill(x, y, w, 1, lit);
    Fill(x, y, 1, h, lit);
    Fill(x, y + h - 1, w, 1, shade);
    Fill(x + w - 1, y, 1, h, shade);
  }
  std::vector<uint8_t> Bmp() const { return resgen::WriteBmp24(width_, height_, pixels_); }

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// The colours a theme's art uses.
struct Ink {
  explicit Ink(const Theme& t)
      : face(t.face),
        light(Mix(t.face, kWhite, 60)),
        shadow(Mix(t.face, kBlack, 35)),
        dark(Mix(t.face, kBlack, 70)),
        text(t.text),
        accent(t.accent),
        window(t.window),
        caption{t.caption, t.caption_inactive} {}
  Rgb face, light, shadow, dark, text, accent, window;
  Rgb caption[2];  // active, inactive
};

// One member's shape. Frames lie side by side unless stacked.
struct Art {
  const char* name;
  int frames, fw, fh;
  bool stacked = false;
  int Width() const { return stacked ? fw : fw * frames; }
  int Height() const { return stacked ? fh * frames : fh; }
  // Origin of frame k (from 0).
  int X(int k) const { return stacked ? 0 : k * fw; }
  int Y(int k) const { return stacked ? k * fh : 0; }
};

// The fixed edges the description states and the art respects.
constexpr int kBorderWidth = 4, kCaptionHeight = 22, kCaptionEnds = 24, kSideTop = 22, kSideBottom = 4;
constexpr int kEdge = 3, kPaneEdge = 4, kMenuBarEnds = 4;
constexpr int kCaptionButtonX[3] = {22, 40, 58}, kCaptionButtonY = 4;

const Art kLeft{"left.bmp", 2, kBorderWidth, 60};
const Art kRight{"right.bmp", 2, kBorderWidth, 60};
const Art kTop{"top.bmp", 2, 96, kCaptionHeight, true};
const Art kBottom{"bottom.bmp", 2, 96, kBorderWidth, true};
const Art kClose{"btnclose.bmp", 4, 16, 14};
const Art kMax{"btnmax.bmp", 4, 16, 14};
const Art kMin{"btnmin.bmp", 4, 16, 14};
const Art kRestore{"btnrestore.bmp", 4, 16, 14};
const Art kMenuBar{"menubar.bmp", 2, 48, 19, true};
const Art kMenuItem{"menuitem.bmp", 5, 40, 18};
const Art kMenuBg{"menubg.bmp", 1, 40, 40};
const Art kButton{"button.bmp", 5, 40, 22};
const Art kCheck{"check.bmp", 4, 13, 13};
const Art kRadio{"radio.bmp", 4, 13, 13};
const Art kGroupBox{"groupbox.bmp", 1, 40, 20};
const Art kGroupBoxEdge{"groupboxedge.bmp", 2, 40, 20};
const Art kTabs{"tabs.bmp", 5, 40, 21};
const Art kTabBorder{"tabborder.bmp", 5, 40, 21};
const Art kTabPane{"tabpane.bmp", 1, 40, 40};
const Art kScrollBar{"scrollbar.bmp", 23, 16, 16};
const Art kHScroll{"hscroll.bmp", 4, 16, 16};
const Art kVScroll{"vscroll.bmp", 4, 16, 16};
const Art kHThumb{"hthumb.bmp", 3, 16, 16};
const Art kVThumb{"vthumb.bmp", 3, 16, 16};
const Art kSunkEdge{"sunkedge.bmp", 4, 20, 21};
const Art kComboButton{"combobtn.bmp", 4, 18, 21};
const Art kStatusBar{"statusbar.bmp", 3, 20, 20};
const Art kProgress{"progress.bmp", 2, 20, 16};
const Art kExtra{"extra.bmp", 5, 16, 16};

// A small arrow pointing in `dir` (0 up, 1 down, 2 left, 3 right), centred
// at (cx, cy).
void Arrow(Picture& p, int cx, int cy, int dir, Rgb c) {
  for (int d = 0; d < 4; ++d)
    for (int s = -d; s <= d; ++s) {
      int along = d - 2;
      switch (dir) {
        case 0:
          p.Set(cx + s, cy + along, c);
          break;
        case 1:
          p.Set(cx + s, cy - along, c);
          break;
        case 2:
          p.Set(cx + along, cy + s, c);
          break;
        default:
          p.Set(cx - along, cy + s, c);
          break;
      }
    }
}

using Painter = std::function<void(Picture&, const Art&, int frame, int x, int y)>;

std::vector<uint8_t> Draw(const Art& art, Rgb background, const Painter& paint) {
  Picture p(art.Width(), art.Height(), background);
  for (int k = 0; k < art.frames; ++k) paint(p, art, k, art.X(k), art.Y(k));
  return p.Bmp();
}

// A raised face; `state` 1 pressed, 2 disabled, 3 hover, 4 focused.
void Face(Picture& p, const Ink& ink, int x, int y, int w, int h, int state) {
  Rgb fill = state == 3 ? Mix(ink.face, ink.accent, 20) : state == 2 ? Mix(ink.face, kWhite, 30) : ink.face;
  p.Gradient(x, y, w, h, Mix(fill, kWhite, 35), fill);
  if (state == 1) {
    p.Edge(x, y, w, h, ink.dark, ink.light);
  } else {
    p.Edge(x, y, w, h, ink.light, ink.dark);
    p.Edge(x + 1, y + 1, w - 2, h - 2, ink.light, ink.shadow);
  }
  if (state == 4) p.Edge(x + 2, y + 2, w - 4, h - 4, ink.accent, ink.accent);
}

std::string Colour(Rgb c) {
  return std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b);
}

class Description {
 public:
  void Section(const std::string& name) { text_ += "[" + name + "]\r\n"; }
  void Key(const std::string& key, const std::string& value) { text_ += key + "=" + value + "\r\n"; }
  void Key(const std::string& key, int value) { Key(key, std::to_string(value)); }
  void Comment(const std::string& line) { text_ += "; " + line + "\r\n"; }
  // An element section: its image, and the frame count where the loader
  // does not fix it.
  void Element(const std::string& name, const Art& art, int edge, const char* frame_key = nullptr) {
    Section(name);
    Key("Image", art.name);
    if (frame_key) Key(frame_key, art.frames);
    for (const char* key : {"LeftWidth", "RightWidth", "TopHeight", "BottomHeight"}) Key(key, edge);
  }
  std::vector<uint8_t> Bytes() const { return {text_.begin(), text_.end()}; }

 private:
  std::string text_;
};

std::vector<uint8_t> WriteDescription(const Theme& t, const Ink& ink) {
  Description d;
  d.Comment("Drawn by skinpack; sizes and frame counts follow the art.");
  d.Section("TitlebarSkin");
  d.Key("SkinName", t.name);

  d.Section("Personality");
  for (const auto& [side, art] : {std::pair{"Left", &kLeft}, std::pair{"Right", &kRight}}) {
    d.Key(side, art->name);
    d.Key(std::string(side) + "TopHeight", kSideTop);
    d.Key(std::string(side) + "BotHeight", kSideBottom);
    d.Key(std::string(side) + "Frame", art->frames);
    d.Key(std::string(side) + "Stretch", 1);
    d.Key(std::string(side) + "Trans", 0);
  }
  for (const auto& [side, art, ends] :
       {std::tuple{"Top", &kTop, kCaptionEnds}, std::tuple{"Bottom", &kBottom, kBorderWidth}}) {
    d.Key(side, art->name);
    d.Key(std::string(side) + "TopHeight", ends);
    d.Key(std::string(side) + "BotHeight", ends);
    d.Key(std::string(side) + "Frame", art->frames);
    d.Key(std::string(side) + "Stretch", 1);
    d.Key(std::string(side) + "Trans", 0);
  }
  d.Key("menuBar", kMenuBar.name);
  d.Key("TileMenu", 1);
  d.Key("TileLeftMenu", kMenuBarEnds);
  d.Key("TileRightMenu", kMenuBarEnds);
  d.Key("TextShift", 8);
  d.Key("TextShiftVert", 0);
  d.Key("TextRightClip", 64);
  d.Key("TextAlignment", 0);
  for (const auto& [prefix, c] : {std::pair{"ActiveText", t.caption_text},
                                  std::pair{"InActiveText", Mix(t.caption_text, t.caption_inactive, 45)}}) {
    d.Key(std::string(prefix) + "R", c.r);
    d.Key(std::string(prefix) + "G", c.g);
    d.Key(std::string(prefix) + "B", c.b);
  }

  d.Section("Colours");
  const std::pair<const char*, Rgb> colours[] = {
      {"WindowText", ink.text},
      {"ButtonFace", ink.face},
      {"Scrollbar", ink.light},
      {"HilightText", kWhite},
      {"Hilight", ink.accent},
      {"Menubar", ink.face},
      {"Menu", ink.face},
      {"MenuText", ink.text},
      {"ButtonText", ink.text},
      {"ButtonHilight", ink.light},
      {"Buttonlight", ink.light},
      {"ButtonShadow", ink.shadow},
      {"ButtonDkShadow", ink.dark},
      {"MenuBarText", ink.text},
      {"TitleTextActive", t.caption_text},
      {"TitleTextNoActive", Mix(t.caption_text, t.caption_inactive, 45)},
  };
  for (const auto& [key, c] : colours) d.Key(key, Colour(c));
  d.Section("Customcolors");
  for (int i = 0; i < 10; ++i) d.Key("Color" + std::to_string(i), Colour(Mix(ink.accent, kWhite, i * 10)));
  d.Section("Fonts");
  d.Key("FontHeight", 14);

  // The maximise button's place shows the restore button while the window is
  // maximised (visibility 1) and the maximise button otherwise (visibility 2).
  const struct {
    const char* section;
    const Art* art;
    int action;
    int place;
    int visibility;
  } caption_buttons[] = {{"ButtonClose", &kClose, 0, 0, 0},
                         {"ButtonMax", &kMax, 1, 1, 2},
                         {"ButtonMin", &kMin, 2, 2, 0},
                         {"ButtonRestore", &kRestore, 1, 1, 1}};
  for (const auto& b : caption_buttons) {
    d.Section(b.section);
    d.Key("Action", b.action);
    d.Key("Align", 1);
    d.Key("Xcoord", kCaptionButtonX[b.place]);
    d.Key("Ycoord", kCaptionButtonY);
    d.Key("Visibility", b.visibility);
    d.Key("Visibility1", 0);
    d.Comment("four frames: normal, pressed, hover, inactive");
    d.Key("frame", b.art->frames);
    d.Key("ButtonImage", b.art->name);
  }

  d.Section("Buttons");
  d.Key("Bitmap", kButton.name);
  d.Key("CheckButton", kCheck.name);
  d.Key("RadioButton", kRadio.name);
  for (const char* key : {"LeftWidth", "RightWidth", "TopHeight", "BottomHeight"}) d.Key(key, kEdge);
  d.Key("Tile", 0);
  d.Key("CheckButtonFrame", kCheck.frames);
  d.Key("RadioButtonFrame", kRadio.frames);

  d.Element("MenuItem", kMenuItem, kEdge);
  d.Element("MenuBackground", kMenuBg, kEdge);
  d.Element("GroupBox", kGroupBox, kEdge);
  d.Element("GroupBoxEdge", kGroupBoxEdge, kEdge);
  d.Element("Tabs", kTabs, kEdge);
  d.Key("Border", kTabBorder.name);
  d.Element("Tab.Pane", kTabPane, kPaneEdge);
  d.Element("Scrollbar", kScrollBar, 0);
  d.Element("HorzScroll", kHScroll, kEdge);
  d.Element("VertScroll", kVScroll, kEdge);
  d.Element("HorzScrollThumb", kHThumb, kEdge, "FrameCount");
  d.Element("VertScrollThumb", kVThumb, kEdge, "FrameCount");
  d.Element("SunkEdge", kSunkEdge, 2);
  d.Element("ComboButton", kComboButton, 2);
  d.Element("StatusBarEdges", kStatusBar, 2);
  d.Element("ExtraImages", kExtra, 0);
  d.Section("Progress");
  d.Key("Bitmap", kProgress.name);
  d.Key("Style", 0);
  for (const char* key : {"LeftWidth", "RightWidth", "TopHeight", "BottomHeight"}) d.Key(key, 2);
  return d.Bytes();
}

std::vector<SkinMember> DrawMembers(const Ink& ink) {
  std::vector<SkinMember> out;
  auto add = [&](const Art& art, std::vector<uint8_t> bytes) { out.push_back({art.name, std::move(bytes)}); };

  // Frame: active and inactive in the caption's colours.
  for (const Art* side : {&kLeft, &kRight}) {
    add(*side, Draw(*side, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
      const Rgb c = ink.caption[k];
      const Rgb outer = side == &kLeft ? Mix(c, kWhite, 40) : Mix(c, kBlack, 50);
      const Rgb inner = side == &kLeft ? Mix(c, kBlack, 30) : Mix(c, kWhite, 20);
      p.Fill(x, y, a.fw, a.fh, c);
      p.Fill(side == &kLeft ? x : x + a.fw - 1, y, 1, a.fh, outer);
      p.Fill(side == &kLeft ? x + a.fw - 1 : x, y, 1, a.fh, inner);
    }));
  }
  add(kTop, Draw(kTop, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        const Rgb c = ink.caption[k];
        p.Gradient(x, y, a.fw, a.fh, Mix(c, kWhite, 35), Mix(c, kBlack, 15));
        p.Fill(x, y, a.fw, 1, Mix(c, kWhite, 60));
        p.Fill(x, y + a.fh - 1, a.fw, 1, Mix(c, kBlack, 40));
      }));
  add(kBottom, Draw(kBottom, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        const Rgb c = ink.caption[k];
        p.Fill(x, y, a.fw, a.fh, c);
        p.Fill(x, y + a.fh - 1, a.fw, 1, Mix(c, kBlack, 50));
      }));

  // Caption buttons: normal, pressed, hover, inactive, each with its glyph.
  const std::pair<const Art*, int> glyphs[] = {{&kClose, 0}, {&kMax, 1}, {&kMin, 2}, {&kRestore, 3}};
  for (const auto& [art, glyph] : glyphs) {
    add(*art, Draw(*art, ink.caption[0], [&, glyph = glyph](Picture& p, const Art& a, int k, int x, int y) {
      Face(p, ink, x, y, a.fw, a.fh, k == 1 ? 1 : k == 2 ? 3 : 0);
      const Rgb g = k == 3 ? ink.shadow : ink.text;
      const int cx = x + a.fw / 2 + (k == 1), cy = y + a.fh / 2 + (k == 1);
      if (glyph == 0) {
        for (int i = -3; i <= 3; ++i) {
          p.Set(cx + i, cy + i, g);
          p.Set(cx + i, cy - i, g);
        }
      } else if (glyph == 1) {
        p.Edge(cx - 4, cy - 4, 9, 8, g, g);
        p.Fill(cx - 4, cy - 3, 9, 1, g);
      } else if (glyph == 3) {
        // Two windows: the one behind shows above and to the right of the one in front.
        p.Fill(cx - 2, cy - 5, 7, 2, g);
        p.Fill(cx + 4, cy - 5, 1, 6, g);
        p.Fill(cx + 3, cy, 2, 1, g);
        p.Fill(cx - 2, cy - 3, 1, 1, g);
        p.Edge(cx - 4, cy - 2, 7, 6, g, g);
        p.Fill(cx - 4, cy - 1, 7, 1, g);
      } else {
        p.Fill(cx - 3, cy + 2, 7, 2, g);
      }
    }));
  }

  add(kMenuBar, Draw(kMenuBar, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        p.Gradient(x, y, a.fw, a.fh, Mix(ink.face, kWhite, k ? 20 : 45), ink.face);
        p.Fill(x, y + a.fh - 1, a.fw, 1, ink.shadow);
      }));
  // Menu items: normal, separator, disabled, selected, checked.
  add(kMenuItem, Draw(kMenuItem, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        if (k == 1) {
          p.Fill(x + 2, y + a.fh / 2 - 1, a.fw - 4, 1, ink.shadow);
          p.Fill(x + 2, y + a.fh / 2, a.fw - 4, 1, ink.light);
        } else if (k == 3) {
          p.Gradient(x, y, a.fw, a.fh, Mix(ink.accent, kWhite, 35), ink.accent);
          p.Edge(x, y, a.fw, a.fh, Mix(ink.accent, kBlack, 30), Mix(ink.accent, kBlack, 30));
        }
      }));
  add(kMenuBg, Draw(kMenuBg, ink.face, [&](Picture& p, const Art& a, int, int x, int y) {
        p.Edge(x, y, a.fw, a.fh, ink.light, ink.dark);
        p.Edge(x + 1, y + 1, a.fw - 2, a.fh - 2, ink.face, ink.shadow);
      }));
  // Push buttons: normal, pressed, disabled, hover, focused.
  add(kButton, Draw(kButton, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        Face(p, ink, x, y, a.fw, a.fh, k);
      }));
  // Check boxes and radio buttons: unchecked, checked, disabled unchecked,
  // disabled checked.
  for (const Art* art : {&kCheck, &kRadio}) {
    add(*art, Draw(*art, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
      const bool disabled = k >= 2, checked = k % 2 == 1;
      const Rgb inside = disabled ? ink.face : ink.window, mark = disabled ? ink.shadow : ink.text;
      if (art == &kCheck) {
        p.Fill(x, y, a.fw, a.fh, inside);
        p.Edge(x, y, a.fw, a.fh, ink.shadow, ink.light);
        p.Edge(x + 1, y + 1, a.fw - 2, a.fh - 2, ink.dark, ink.face);
        if (checked)
          for (int i = 0; i < 7; ++i) p.Fill(x + 3 + i, y + (i < 2 ? 6 + i : 9 - i + 1), 1, 3, mark);
      } else {
        for (int j = 0; j < a.fh; ++j)
          for (int i = 0; i < a.fw; ++i) {
            const int dx = 2 * i - (a.fw - 1), dy = 2 * j - (a.fh - 1), r2 = dx * dx + dy * dy;
            if (r2 <= 100)
              p.Set(x + i, y + j, inside);
            else if (r2 <= 156)
              p.Set(x + i, y + j, dy + dx < 0 ? ink.shadow : ink.light);
            if (checked && r2 <= 20) p.Set(x + i, y + j, mark);
          }
      }
    }));
  }
  add(kGroupBox, Draw(kGroupBox, ink.face, [&](Picture& p, const Art& a, int, int x, int y) {
        p.Edge(x, y, a.fw, a.fh, ink.shadow, ink.light);
        p.Edge(x + 1, y + 1, a.fw - 2, a.fh - 2, ink.light, ink.shadow);
      }));
  add(kGroupBoxEdge, Draw(kGroupBoxEdge, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        p.Gradient(x, y, a.fw, a.fh, Mix(ink.face, kWhite, k ? 20 : 40), ink.face);
        p.Edge(x, y, a.fw, a.fh, ink.light, ink.shadow);
      }));
  // Tabs: normal, selected, disabled, hover, focused.
  for (const Art* art : {&kTabs, &kTabBorder}) {
    add(*art, Draw(*art, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
      const Rgb top = k == 1 ? Mix(ink.face, kWhite, 50) : k == 3 ? Mix(ink.face, ink.accent, 25) : ink.face;
      if (art == &kTabs) p.Gradient(x, y, a.fw, a.fh, top, ink.face);
      p.Fill(x, y, a.fw, 1, ink.light);
      p.Fill(x, y, 1, a.fh, ink.light);
      p.Fill(x + a.fw - 1, y, 1, a.fh, ink.dark);
      if (k == 4) p.Edge(x + 3, y + 3, a.fw - 6, a.fh - 6, ink.accent, ink.accent);
    }));
  }
  add(kTabPane, Draw(kTabPane, ink.face, [&](Picture& p, const Art& a, int, int x, int y) {
        p.Edge(x, y, a.fw, a.fh, ink.light, ink.dark);
        p.Edge(x + 1, y + 1, a.fw - 2, a.fh - 2, ink.face, ink.shadow);
      }));
  // Scroll bar: four arrows (up, down, left, right) in groups of four states
  // (normal, pressed, disabled, hover), two grips of three frames, a blank.
  add(kScrollBar, Draw(kScrollBar, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        if (k < 16) {
          const int state = k % 4;
          Face(p, ink, x, y, a.fw, a.fh, state == 1 ? 1 : state == 2 ? 2 : state == 3 ? 3 : 0);
          Arrow(p, x + a.fw / 2, y + a.fh / 2, k / 4, state == 2 ? ink.shadow : ink.text);
        } else if (k < 22) {
          const bool vertical = k >= 19;
          for (int i = -2; i <= 2; i += 2)
            p.Fill(x + (vertical ? 4 : 7 + i), y + (vertical ? 7 + i : 4), vertical ? 8 : 1, vertical ? 1 : 8,
                   k % 3 == 1 ? ink.text : ink.shadow);
        }
      }));
  // Tracks: enabled, pressed, disabled, hover.
  for (const Art* art : {&kHScroll, &kVScroll}) {
    add(*art, Draw(*art, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
      const Rgb c = k == 1 ? ink.shadow : k == 2 ? ink.face : Mix(ink.face, kWhite, 50);
      p.Fill(x, y, a.fw, a.fh, c);
      p.Edge(x, y, a.fw, a.fh, ink.shadow, ink.light);
    }));
  }
  // Thumbs: normal, pressed, hover.
  for (const Art* art : {&kHThumb, &kVThumb}) {
    add(*art, Draw(*art, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
      Face(p, ink, x, y, a.fw, a.fh, k == 1 ? 1 : k == 2 ? 3 : 0);
    }));
  }
  // Edit and combo fields: normal, hover, focused, disabled.
  add(kSunkEdge, Draw(kSunkEdge, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        p.Fill(x, y, a.fw, a.fh, k == 3 ? ink.face : ink.window);
        const Rgb rim = k == 2 ? ink.accent : k == 1 ? Mix(ink.shadow, ink.accent, 50) : ink.shadow;
        p.Edge(x, y, a.fw, a.fh, rim, rim);
        p.Edge(x + 1, y + 1, a.fw - 2, a.fh - 2, ink.dark, ink.light);
      }));
  add(kComboButton, Draw(kComboButton, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        Face(p, ink, x, y, a.fw, a.fh, k == 1 ? 3 : k == 2 ? 1 : k == 3 ? 2 : 0);
        Arrow(p, x + a.fw / 2, y + a.fh / 2, 1, k == 3 ? ink.shadow : ink.text);
      }));
  // Status bar panels: lowered, raised, none.
  add(kStatusBar, Draw(kStatusBar, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        if (k == 0) p.Edge(x, y, a.fw, a.fh, ink.shadow, ink.light);
        if (k == 1) p.Edge(x, y, a.fw, a.fh, ink.light, ink.shadow);
      }));
  // Progress: empty, full.
  add(kProgress, Draw(kProgress, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        if (k == 0) {
          p.Fill(x, y, a.fw, a.fh, ink.window);
        } else {
          p.Gradient(x, y, a.fw, a.fh, Mix(ink.accent, kWhite, 40), ink.accent);
        }
        p.Edge(x, y, a.fw, a.fh, ink.shadow, ink.light);
      }));
  // Extra glyphs: the combo arrow, three spares, the size grip.
  add(kExtra, Draw(kExtra, ink.face, [&](Picture& p, const Art& a, int k, int x, int y) {
        if (k == 0) Arrow(p, x + a.fw / 2, y + a.fh / 2, 1, ink.text);
        if (k == 4)
          for (int d = 0; d < 3; ++d)
            for (int i = 0; i <= d; ++i) {
              p.Set(x + a.fw - 3 - 4 * i, y + a.fh - 3 - 4 * (d - i), ink.shadow);
              p.Set(x + a.fw - 2 - 4 * i, y + a.fh - 2 - 4 * (d - i), ink.light);
            }
      }));
  return out;
}

std::string LowerCase(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

}  // namespace

const std::vector<Theme>& Themes() {
  static const std::vector<Theme> themes = {
      // file, name, face, caption, inactive caption, caption text, text, accent, window
      {"default.skn",
       "Quellix",
       {200, 204, 210},
       {52, 78, 122},
       {128, 136, 150},
       {255, 255, 255},
       {16, 16, 16},
       {64, 120, 200},
       {255, 255, 255}},
      {"mxskin11.SKN",
       "Graphite",
       {180, 180, 184},
       {60, 60, 66},
       {128, 128, 132},
       {240, 240, 240},
       {0, 0, 0},
       {90, 90, 110},
       {250, 250, 250}},
      {"mxskin20.skn",
       "Harbour",
       {196, 208, 220},
       {30, 70, 120},
       {120, 140, 160},
       {255, 255, 255},
       {10, 20, 30},
       {40, 110, 190},
       {255, 255, 255}},
      {"mxskin15.skn",
       "Moss",
       {198, 210, 190},
       {60, 96, 52},
       {130, 146, 124},
       {250, 255, 240},
       {20, 30, 16},
       {88, 150, 70},
       {252, 255, 248}},
      {"mxskin60.skn",
       "Ember",
       {214, 200, 190},
       {140, 48, 30},
       {160, 128, 118},
       {255, 240, 220},
       {30, 16, 10},
       {200, 90, 40},
       {255, 252, 248}},
      {"mxskin24.skn",
       "Sand",
       {226, 214, 186},
       {150, 120, 70},
       {176, 164, 140},
       {255, 255, 240},
       {40, 30, 10},
       {190, 150, 60},
       {255, 252, 240}},
      {"mxskin28.skn",
       "Plum",
       {206, 196, 212},
       {92, 50, 110},
       {150, 136, 158},
       {255, 240, 255},
       {24, 10, 30},
       {140, 80, 170},
       {255, 250, 255}},
      {"mxskin29.SKN",
       "Midnight",
       {120, 126, 140},
       {20, 24, 40},
       {70, 74, 86},
       {200, 210, 255},
       {0, 0, 0},
       {80, 100, 200},
       {230, 232, 240}},
      {"mxskin30.skn",
       "Teal",
       {190, 214, 212},
       {24, 110, 110},
       {118, 150, 150},
       {240, 255, 255},
       {0, 30, 30},
       {30, 150, 150},
       {248, 255, 255}},
      {"mxskin35.skn",
       "Rose",
       {230, 204, 208},
       {170, 60, 90},
       {184, 150, 158},
       {255, 250, 250},
       {40, 10, 20},
       {210, 90, 120},
       {255, 250, 252}},
      {"mxskin40.skn",
       "Steel",
       {192, 192, 192},
       {0, 0, 128},
       {128, 128, 128},
       {255, 255, 255},
       {0, 0, 0},
       {0, 0, 160},
       {255, 255, 255}},
      {"mxskin47.skn",
       "Amber",
       {222, 206, 160},
       {170, 110, 10},
       {176, 160, 120},
       {20, 10, 0},
       {30, 20, 0},
       {230, 150, 20},
       {255, 250, 230}},
      {"mxskin56.skn",
       "Ice",
       {220, 232, 240},
       {110, 160, 200},
       {170, 186, 198},
       {10, 30, 50},
       {10, 30, 50},
       {80, 150, 220},
       {255, 255, 255}},
      {"mxskin59.skn",
       "Olive",
       {196, 196, 168},
       {96, 96, 40},
       {150, 150, 124},
       {250, 250, 220},
       {24, 24, 0},
       {130, 130, 50},
       {252, 252, 240}},
      {"mxskin67.skn",
       "Carbon",
       {90, 92, 96},
       {30, 30, 32},
       {64, 64, 68},
       {230, 230, 230},
       {235, 235, 235},
       {0, 150, 220},
       {60, 62, 66}},
  };
  return themes;
}

const Theme* FindTheme(const std::string& name) {
  const std::string wanted = LowerCase(name);
  for (const Theme& t : Themes()) {
    const std::string file = LowerCase(t.file);
    if (wanted == file || wanted == file.substr(0, file.rfind('.')) || wanted == LowerCase(t.name)) return &t;
  }
  return nullptr;
}

std::vector<SkinMember> DrawSkin(const Theme& theme) {
  const Ink ink(theme);
  std::vector<SkinMember> members = {{"skin.ini", WriteDescription(theme, ink)}};
  for (SkinMember& m : DrawMembers(ink)) members.push_back(std::move(m));
  return members;
}

}  // namespace skinpack
