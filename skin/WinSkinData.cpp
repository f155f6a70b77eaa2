#include "skin/WinSkinData.h"

#include <algorithm>
#include <map>

#include "platform/user/Screen.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/SysUtils.h"
#include "skin/ImgUtil.h"
#include "skin/SkinDraw.h"
#include "skin/SkinReader.h"
#include "skin/WinSkinIni.h"

namespace skin {

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// The sides a BMP member announces, read before anything is decoded.
bool BmpSides(const vcl::TMemoryStream& bytes, int64_t& width, int64_t& height) {
  const uint8_t* p = bytes.Memory();
  const int64_t size = const_cast<vcl::TMemoryStream&>(bytes).Size();
  if (size < 26 || p[0] != 'B' || p[1] != 'M') return false;
  if (Le32(p + 14) == 12) {
    width = p[18] | p[19] << 8;
    height = p[20] | p[21] << 8;
    return true;
  }
  width = static_cast<int32_t>(Le32(p + 18));
  height = static_cast<int32_t>(Le32(p + 22));
  if (height < 0) height = -height;  // top-down
  return true;
}

// The images of one load: each member decoded once, every copy handed to an
// element counted against the load's pixel budget.
class TImageSource {
 public:
  explicit TImageSource(const TSkinReader& reader) : reader_(reader) {}

  // `value` names a member; only its file part after the last "\" or ":"
  // counts, and only with the extension ".bmp" exactly as written.
  void Load(const std::string& value, vcl::TBitmap& target) {
    size_t cut = value.find_last_of("\\:");
    std::string name = cut == std::string::npos ? value : value.substr(cut + 1);
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".bmp") != 0) return;
    const vcl::TBitmap* decoded = Decoded(vcl::LowerCase(name));
    if (!decoded) return;
    int64_t pixels = int64_t{decoded->Width()} * decoded->Height();
    if (pixels > budget_) return;
    budget_ -= pixels;
    target.Assign(decoded);
  }

  // For images the loader makes itself.
  bool Take(int64_t pixels) {
    if (pixels > budget_) return false;
    budget_ -= pixels;
    return true;
  }

 private:
  const vcl::TBitmap* Decoded(const std::string& name) {
    auto found = cache_.find(name);
    if (found != cache_.end()) return found->second.get();
    std::unique_ptr<vcl::TBitmap>& slot = cache_[name];
    vcl::TMemoryStream bytes;
    reader_.ExtractMember(name, bytes);
    int64_t width = 0, height = 0;
    if (!BmpSides(bytes, width, height) || width <= 0 || height <= 0 || width > kSkinMaxImageSide ||
        height > kSkinMaxImageSide)
      return nullptr;
    auto bitmap = std::make_unique<vcl::TBitmap>();
    try {
      bitmap->LoadFromStream(bytes);
    } catch (const vcl::Exception&) {
      // A damaged member is a missing image: the element stays without one.
      return nullptr;
    }
    if (bitmap->Empty()) return nullptr;
    slot = std::move(bitmap);
    return slot.get();
  }

  const TSkinReader& reader_;
  std::map<std::string, std::unique_ptr<vcl::TBitmap>> cache_;
  int64_t budget_ = kSkinLoadPixelBudget;
};

class TLoader {
 public:
  TLoader(TParsedSkin& skin, const TQuickIni& ini, const TSkinReader& reader)
      : s_(skin), ini_(ini), images_(reader) {}

  void Run() {
    s_.SkinName = ini_.ReadString("TitlebarSkin", "SkinName");
    LoadBorders();
    LoadColours();
    LoadSysButtons();
    LoadButtons();
    LoadTitle();
    LoadProgress();
    s_.ProgressChunk = Elem("Progress.Chunk");
    LoadMenuBar();
    s_.GroupBoxEdge = Elem("GroupBoxEdge");
    s_.GroupBox = Elem<TDataSkinBoxLabel>("GroupBox", "", false);
    if (s_.GroupBox) {
      s_.GroupBox->BackgroundAlignment = Int("GroupBox", "BackgroundAlignment", 0);
      s_.GroupBox->BackgroundLeftShift = Int("GroupBox", "BackgroundLeftShift", 0);
      s_.GroupBox->BackgroundRightShift = Int("GroupBox", "BackgroundRightShift", 0);
    }
    s_.Tabs = Elem<TDataSkinBorder>("Tabs", "Border", false);
    s_.StatusBarEdges = Elem("StatusBarEdges");
    s_.TabPane = Elem("Tab.Pane");
    if (TDataSkinObject* pane = s_.TabPane.get()) {
      for (int* edge : {&pane->LeftWidth, &pane->TopHeight, &pane->RightWidth, &pane->BottomHeight})
        *edge = std::min(*edge, 4);
    }
    s_.ToolBars = Elem("ToolBars");
    s_.ComboButton = Elem<TDataSkinBorder>("ComboButton", "****", false);
    s_.SunkEdge = Elem("SunkEdge");
    if (TDataSkinBorder* combo = s_.ComboButton.get(); combo && !combo->Bitmap.Empty()) {
      if (images_.Take(int64_t{combo->Bitmap.Width()} * combo->Bitmap.Height())) {
        combo->Bitmap2.Assign(&combo->Bitmap);
        MirrorBitmap(combo->Bitmap2);
      }
    }
    s_.ExtraImages = Elem("ExtraImages");
    s_.Headerbar = Elem("Headerbar");
    s_.MenuItem = Elem("MenuItem");
    s_.MenuBackground = Elem("MenuBackground");
    s_.ScrollBar = Elem("Scrollbar");
    s_.HorzScroll = Elem("HorzScroll");
    s_.VertScroll = Elem("VertScroll");
    s_.HorzScrollThumb = Elem("HorzScrollThumb");
    s_.VertScrollThumb = Elem("VertScrollThumb");
    s_.TrackThumbHorz = Elem("Trackbar.ThumbHorz");
    s_.TrackThumbVert = Elem("Trackbar.ThumbVert");
    s_.TrackThumbLeft = Elem("Trackbar.ThumbLeft");
    s_.TrackThumbRight = Elem("Trackbar.ThumbRight");
    s_.TrackThumbUp = Elem("Trackbar.ThumbUp");
    s_.TrackThumbDown = Elem("Trackbar.ThumbDown");
    s_.UpDownHorz = Elem<TDataSkinBorder>("UpDown.Horz", "GlyphImage", false);
    s_.UpDownVert = Elem<TDataSkinBorder>("UpDown.Vert", "GlyphImage", false);
    LoadTracks();
    FixFrameCounts();
    Sanitise();
    // The toolbar's colours come from the menu bar background, so it is
    // taken from this skin's top border before the images derived from it.
    LoadMenuBarBackground();
    MakeComboComposite();
    MakeComboArrow();
    MakeToolbar();
    Sanitise();
    s_.FaceBrush.Reset(plat::CreateSolidBrush(vcl::ColorToRGB(s_.ButtonFace)));
  }

 private:
  int Int(const char* section, const std::string& key, int default_value) const {
    return ini_.ReadInteger(section, key, default_value);
  }

  void Image(const std::string& section, const std::string& key, vcl::TBitmap& target) {
    images_.Load(ini_.ReadString(section, key), target);
  }

  void LoadBorders() {
    struct Side {
      const char* key;
      std::unique_ptr<TDataSkinBorder>& element;
      bool horizontal;  // top and bottom: the two heights are the fixed ends
    };
    for (const Side& side : {Side{"Left", s_.Left, false}, Side{"Right", s_.Right, false},
                             Side{"Top", s_.Top, true}, Side{"Bottom", s_.Bottom, true}}) {
      const std::string b = side.key;
      auto e = std::make_unique<TDataSkinBorder>(b);
      int first = Int("Personality", b + "TopHeight", 0), second = Int("Personality", b + "BotHeight", 0);
      (side.horizontal ? e->LeftWidth : e->TopHeight) = first;
      (side.horizontal ? e->RightWidth : e->BottomHeight) = second;
      e->Frame = Int("Personality", b + "Frame", 1);
      e->Tile = std::min(Int("Personality", b + "Stretch", 1), 1);
      e->Trans = Int("Personality", b + "Trans", 1);
      Image("Personality", b, e->Bitmap);
      side.element = std::move(e);
    }
  }

  void LoadColours() {
    auto colour = [&](const char* key, vcl::TColor def) { return ini_.ReadColour("Colours", key, def); };
    s_.WindowText = colour("WindowText", vcl::clWindowText);
    s_.ButtonFace = colour("ButtonFace", vcl::clBtnFace);
    s_.ScrollBarColour = colour("Scrollbar", vcl::clScrollBar);
    s_.HilightText = colour("HilightText", vcl::clHighlightText);
    s_.Hilight = colour("Hilight", vcl::clHighlight);
    s_.MenuBarColour = colour("Menubar", s_.ButtonFace);
    s_.MenuColour = colour("Menu", vcl::clMenu);
    s_.MenuText = colour("MenuText", vcl::clMenuText);
    s_.ButtonText = colour("ButtonText", vcl::clBtnText);
    s_.ButtonHilight = colour("ButtonHilight", vcl::clBtnHighlight);
    s_.ButtonLight = colour("Buttonlight", vcl::clBtnHighlight);
    s_.ButtonShadow = colour("ButtonShadow", vcl::clBtnShadow);
    s_.ButtonDkShadow = colour("ButtonDkShadow", vcl::cl3DDkShadow);
    s_.MenuBarText = colour("MenuBarText", vcl::clMenuText);
    s_.TitleTextActive = colour("TitleTextActive", vcl::clCaptionText);
    s_.TitleTextNoActive = colour("TitleTextNoActive", vcl::clInactiveCaptionText);
    s_.ExtraColours.clear();
    for (const std::string& name : ini_.ReadSections()) {
      std::string upper = Upper(name);
      if (upper.starts_with("COLOUR") && upper != "COLOURS")
        s_.ExtraColours.push_back(ini_.ReadColour(name, "color", s_.WindowText));
    }
    for (int i = 0; i < 10; ++i)
      s_.CustomColours[static_cast<size_t>(i)] =
          ini_.ReadColour("Customcolors", "Color" + std::to_string(i), vcl::clWhite);
  }

  void LoadSysButtons() {
    std::vector<std::string> kept;
    for (const std::string& name : ini_.ReadSections()) {
      std::string upper = Upper(name);
      if (!upper.starts_with("BUTTON") || upper == "BUTTONS" || upper == "BUTTON.RADIO" ||
          upper == "BUTTON.CHECKBOX" || upper == "BUTTON")
        continue;
      if (ini_.ReadInteger(name, "Action", 0) == -1 && ini_.ReadInteger(name, "Visibility", -1) != 0)
        continue;
      kept.push_back(name);
    }
    s_.SysButtons.clear();
    s_.SysButtons.reserve(kept.size() + 3);
    for (const std::string& name : kept) {
      auto b = std::make_unique<TDataSkinSysButton>(Upper(name));
      b->Action = ini_.ReadInteger(name, "Action", 0);
      b->Align = ini_.ReadInteger(name, "Align", 0);
      b->Xcoord = ini_.ReadInteger(name, "Xcoord", 0);
      b->Ycoord = ini_.ReadInteger(name, "Ycoord", 0);
      b->Visibility = ini_.ReadInteger(name, "Visibility", 0);
      b->Visibility1 = ini_.ReadInteger(name, "Visibility1", b->Action == -1 ? -1 : 0);
      b->CombineOp = ini_.ReadInteger(name, "CombineOp", -1);
      b->Frame = ini_.ReadInteger(name, "frame", 0);
      images_.Load(ini_.ReadString(name, "ButtonImage"), b->Bitmap);
      // A count of 0 or less is no count: the image's shape decides.
      if (b->Frame <= 0) {
        b->Frame = 6;
        if (!b->Bitmap.Empty() && b->Action >= 0)
          b->Frame = b->Bitmap.Width() * 10 <= b->Bitmap.Height() * 38 ? 3 : 6;
        // These show the window's icon instead.
        if (b->Action == 3 || b->Action == 11) b->Bitmap.SetSize(0, 0);
      }
      s_.SysButtons.push_back(std::move(b));
    }
    LoadChildButtons();
  }

  // The three buttons of a maximised child window, cut from one strip.
  void LoadChildButtons() {
    vcl::TBitmap strip;
    Image("MDICONTROLS", "Image", strip);
    const int w = strip.Width() / 12;
    for (int k = 0; k < 3; ++k) {
      auto b = std::make_unique<TDataSkinSysButton>("MDICONTROLS");
      b->Action = 7 + k;
      b->Align = b->Visibility = b->Visibility1 = 100;
      b->Frame = 4;
      if (w > 0 && images_.Take(int64_t{4} * w * strip.Height())) {
        b->Bitmap.SetPixelFormat(vcl::pf24bit);
        b->Bitmap.SetSize(4 * w, strip.Height());
        b->Bitmap.Canvas()->CopyRect(vcl::Rect(0, 0, 4 * w, strip.Height()), strip.Canvas(),
                                     vcl::Rect(4 * k * w, 0, 4 * (k + 1) * w, strip.Height()));
        b->Xcoord = (3 - k) * (w + 4);
      }
      s_.SysButtons.push_back(std::move(b));
    }
  }

  // The four edges, "Trans" and "Tile"; a tile above 1 becomes `tile_above_1`.
  void ReadEdges(const char* sec, TDataSkinObject& e, int tile_above_1) {
    e.LeftWidth = Int(sec, "LeftWidth", 0);
    e.RightWidth = Int(sec, "RightWidth", 0);
    e.TopHeight = Int(sec, "TopHeight", 0);
    e.BottomHeight = Int(sec, "BottomHeight", 0);
    e.Trans = Int(sec, "Trans", 0);
    e.Tile = Int(sec, "Tile", 0);
    if (e.Tile > 1) e.Tile = tile_above_1;
  }

  // The keys every element section shares; `with_frame` false for the
  // border variant and the group box.
  void ReadElementKeys(const std::string& section, TDataSkinObject& e, bool with_frame) {
    e.Style = Int(section.c_str(), "Style", 0);
    ReadEdges(section.c_str(), e, 0);
    if (with_frame) e.Frame = Int(section.c_str(), "Frame", 0);
    e.NormalColour = Int(section.c_str(), "NormalColour", -1);
    e.MouseOverColour = Int(section.c_str(), "MouseOverColour", -1);
    e.PressedColour = Int(section.c_str(), "PressedColour", -1);
    e.NormalColour2 = ini_.ReadColour(section, "NormalColour2", s_.ButtonText);
    e.MouseOverColour2 = ini_.ReadColour(section, "MouseOverColour2", s_.ButtonText);
    e.PressedColour2 = ini_.ReadColour(section, "PressedColour2", s_.ButtonText);
  }

  // An element of section S, or nil when S names no image.
  template <class T = TDataSkinObject>
  std::unique_ptr<T> Elem(const std::string& section, const std::string& second_key = {},
                          bool with_frame = true) {
    std::string image = ini_.ReadString(section, "Image");
    if (image.empty()) return nullptr;
    auto e = std::make_unique<T>(section);
    images_.Load(image, e->Bitmap);
    ReadElementKeys(section, *e, with_frame);
    if constexpr (std::is_same_v<T, TDataSkinBorder>) {
      if (!second_key.empty()) Image(section, second_key, e->Bitmap2);
    }
    return e;
  }

  void LoadButtons() {
    auto b = std::make_unique<TDataSkinButton>("Buttons");
    const char* sec = "Buttons";
    ReadEdges(sec, *b, 0);
    Image(sec, "Bitmap", b->Bitmap);
    Image(sec, "CheckButton", b->CheckBitmap);
    Image(sec, "RadioButton", b->RadioBitmap);
    b->NormalColour = Int(sec, "NormalColour", -1);
    b->MouseOverColour = Int(sec, "MouseOverColour", -1);
    b->PressedColour = Int(sec, "PressedColour", -1);
    b->RadioButtonFrame = Int(sec, "RadioButtonFrame", 0);
    b->CheckButtonFrame = Int(sec, "CheckButtonFrame", 0);
    b->HasNormalColour2 = !ini_.ReadString(sec, "NormalColour2").empty();
    b->HasMouseOverColour2 = !ini_.ReadString(sec, "MouseOverColour2").empty();
    b->HasPressedColour2 = !ini_.ReadString(sec, "PressedColour2").empty();
    b->NormalColour2 = ini_.ReadColour(sec, "NormalColour2", s_.ButtonText);
    b->MouseOverColour2 = ini_.ReadColour(sec, "MouseOverColour2", s_.ButtonText);
    b->PressedColour2 = ini_.ReadColour(sec, "PressedColour2", s_.ButtonText);
    s_.Buttons = std::move(b);
  }

  void LoadTitle() {
    auto t = std::make_unique<TDataSkinTitle>("Title");
    const char* sec = "Personality";
    Image(sec, "TextBack", t->Bitmap);
    t->LeftWidth = Int(sec, "TextShift", 0);
    t->TopHeight = Int(sec, "TextShiftVert", 0);
    t->RightWidth = Int(sec, "TextRightClip", 0);
    t->TextAlignment = Int(sec, "TextAlignment", 0);
    t->Textbackground = Int(sec, "Textbackground", 0);
    t->TXTBackleft = Int(sec, "TXTBackleft", 0);
    t->TXTBackRight = Int(sec, "TXTBackRight", 0);
    t->FontHeight = Int("Fonts", "FontHeight", 14);
    t->ActiveText = ini_.ReadColourTriple(sec, "ActiveText", kSkinNoColour);
    t->InActiveText = ini_.ReadColourTriple(sec, "InActiveText", kSkinNoColour);
    s_.Title = std::move(t);
  }

  void LoadProgress() {
    std::string image = ini_.ReadString("Progress", "Bitmap");
    s_.Progress.reset();
    if (image.empty()) return;
    auto p = std::make_unique<TDataSkinBorder>("Progress");
    images_.Load(image, p->Bitmap);
    const char* sec = "Progress";
    p->Style = Int(sec, "Style", 0);
    ReadEdges(sec, *p, 1);
    s_.Progress = std::move(p);
  }

  void LoadMenuBar() {
    std::string image = ini_.ReadString("Personality", "menuBar");
    s_.MenuBar.reset();
    if (image.empty()) return;
    auto m = std::make_unique<TDataSkinObject>("Personality");
    images_.Load(image, m->Bitmap);
    m->Tile = std::min(Int("Personality", "TileMenu", 1), 1);
    m->LeftWidth = Int("Personality", "TileLeftMenu", 1);
    m->RightWidth = Int("Personality", "TileRightMenu", 1);
    s_.MenuBar = std::move(m);
  }

  // Without sections of their own the tracks come from the program's
  // resources.
  void LoadTracks() {
    s_.Track = Elem("Track");
    s_.TrackVert = Elem("TRACKVERT");
    for (auto [element, name] : {std::pair{&s_.Track, "TRACK"}, std::pair{&s_.TrackVert, "TRACKVERT"}}) {
      if (*element) continue;
      auto e = std::make_unique<TDataSkinObject>(name);
      try {
        e->Bitmap.LoadFromResourceName(nullptr, name);
      } catch (const vcl::Exception&) {
        // A program built without the resource draws plain tracks.
        e->Bitmap.SetSize(0, 0);
      }
      e->LeftWidth = e->TopHeight = e->RightWidth = e->BottomHeight = 3;
      e->Tile = 0;
      e->Frame = 1;
      *element = std::move(e);
    }
  }

  void FixFrameCounts() {
    auto set = [](const auto& e, int frames) {
      if (e) e->Frame = frames;
    };
    set(s_.Title, 2);
    if (s_.Progress) s_.Progress->Frame = s_.Progress->Style != 0 ? 1 : 2;
    set(s_.MenuBar, 2);
    set(s_.GroupBoxEdge, 2);
    set(s_.Toolbar, 1);
    set(s_.TabPane, 1);
    set(s_.GroupBox, 1);
    set(s_.MenuBackground, 1);
    for (const auto* e : {&s_.ToolBars, &s_.ExtraImages, &s_.MenuItem, &s_.TrackThumbHorz, &s_.TrackThumbVert,
                          &s_.TrackThumbLeft, &s_.TrackThumbRight, &s_.TrackThumbUp, &s_.TrackThumbDown})
      set(*e, 5);
    set(s_.Tabs, 5);
    if (s_.Headerbar && s_.Headerbar->Frame == 0) s_.Headerbar->Frame = 5;
    set(s_.StatusBarEdges, 3);
    set(s_.ComboButton, 4);
    set(s_.SunkEdge, 4);
    set(s_.HorzScroll, 4);
    set(s_.VertScroll, 4);
    set(s_.ScrollBar, 23);
    set(s_.UpDownHorz, 8);
    set(s_.UpDownVert, 8);
    set(s_.HorzScrollThumb, Int("HorzScrollThumb", "FrameCount", 3));
    set(s_.VertScrollThumb, Int("VertScrollThumb", "FrameCount", 3));
    set(s_.Buttons, 5);
    TDataSkinButton& b = *s_.Buttons;
    b.RadioButtonFrame = StateFrames(b.RadioButtonFrame, b.RadioBitmap);
    b.CheckButtonFrame = StateFrames(b.CheckButtonFrame, b.CheckBitmap);
  }

  // Check and radio images: a given count, or one 13- or 16-pixel square per
  // frame, at least 4.
  static int StateFrames(int given, const vcl::TBitmap& image) {
    if (given > 0) return given;
    if (image.Empty()) return 4;
    return std::max(image.Width() / (image.Height() < 16 ? 13 : 16), 4);
  }

  void Sanitise() {
    for (const auto* e :
         {&s_.Left, &s_.Right, &s_.Tabs, &s_.UpDownHorz, &s_.UpDownVert, &s_.ComboButton, &s_.Progress})
      SanitiseElement(e->get(), false);
    SanitiseElement(s_.Top.get(), true);
    SanitiseElement(s_.Bottom.get(), true);
    SanitiseElement(s_.MenuBar.get(), true);
    SanitiseElement(s_.Buttons.get(), false);
    SanitiseElement(s_.GroupBox.get(), false);
    for (const auto* e : {&s_.SunkEdge,        &s_.ExtraImages,    &s_.ComboArrow,      &s_.GroupBoxEdge,
                          &s_.Toolbar,         &s_.ToolBars,       &s_.ProgressChunk,   &s_.StatusBarEdges,
                          &s_.TabPane,         &s_.Headerbar,      &s_.MenuItem,        &s_.MenuBackground,
                          &s_.ScrollBar,       &s_.HorzScroll,     &s_.VertScroll,      &s_.HorzScrollThumb,
                          &s_.VertScrollThumb, &s_.TrackThumbHorz, &s_.TrackThumbVert,  &s_.Track,
                          &s_.TrackVert,       &s_.TrackThumbLeft, &s_.TrackThumbRight, &s_.TrackThumbUp,
                          &s_.TrackThumbDown})
      SanitiseElement(e->get(), false);
    for (const auto& b : s_.SysButtons) SanitiseElement(b.get(), false);
    TDataSkinButton& b = *s_.Buttons;
    b.RadioButtonFrame = std::min(b.RadioButtonFrame, std::max(b.RadioBitmap.Width(), 1));
    b.CheckButtonFrame = std::min(b.CheckButtonFrame, std::max(b.CheckBitmap.Width(), 1));
    // The title's edge slots place its text; only the text back's two ends
    // are edges of its (stacked) frames.
    TDataSkinTitle& t = *s_.Title;
    t.Frame = FrameCount(t.Frame, t.Bitmap, true);
    t.TXTBackleft = std::clamp(t.TXTBackleft, 0, t.Bitmap.Width());
    t.TXTBackRight = std::clamp(t.TXTBackRight, 0, t.Bitmap.Width());
  }

  // Painters divide by the count and cut frames from the image: at least
  // one, and no more than the image has pixels along its frames.
  static int FrameCount(int frames, const vcl::TBitmap& image, bool stacked) {
    frames = std::max(frames, 1);
    if (!image.Empty()) frames = std::min(frames, stacked ? image.Height() : image.Width());
    return frames;
  }

  // Edges within one frame, so no part of a nine-part copy has a negative
  // size.
  static void SanitiseElement(TDataSkinObject* e, bool stacked) {
    if (!e) return;
    e->Frame = FrameCount(e->Frame, e->Bitmap, stacked);
    const int fw = stacked ? e->Bitmap.Width() : e->Bitmap.Width() / e->Frame;
    const int fh = stacked ? e->Bitmap.Height() / e->Frame : e->Bitmap.Height();
    e->LeftWidth = std::clamp(e->LeftWidth, 0, fw);
    e->RightWidth = std::clamp(e->RightWidth, 0, fw);
    e->TopHeight = std::clamp(e->TopHeight, 0, fh);
    e->BottomHeight = std::clamp(e->BottomHeight, 0, fh);
  }

  // One strip of combo box cells, each the sunken edge with the button at
  // its right end and a key-coloured inside, for the combo button; the
  // sunken edge gets it mirrored.
  void MakeComboComposite() {
    TDataSkinObject* sunk = s_.SunkEdge.get();
    TDataSkinBorder* combo = s_.ComboButton.get();
    if (!sunk || !combo) return;
    constexpr int kCellWidth = 50, kCellHeight = 21;
    const int frames = sunk->Frame;
    const int button = plat::GetSystemMetrics(plat::SM_CXHSCROLL) + 2;
    if (!images_.Take(int64_t{2} * kCellWidth * frames * kCellHeight)) return;
    vcl::TBitmap strip;
    strip.SetPixelFormat(vcl::pf24bit);
    strip.SetSize(kCellWidth * frames, kCellHeight);
    vcl::TCanvas& canvas = *strip.Canvas();
    canvas.Brush()->SetColor(kSkinKeyColour);
    canvas.FillRect(vcl::Rect(0, 0, strip.Width(), kCellHeight));
    const vcl::TRect button_area = vcl::Rect(kCellWidth - button, 0, kCellWidth, kCellHeight);
    for (int k = 1; k <= frames; ++k) {
      vcl::TBitmap cell;
      cell.SetPixelFormat(vcl::pf24bit);
      cell.SetSize(kCellWidth, kCellHeight);
      plat::HDC dc = cell.Canvas()->Handle();
      SkinDrawElement(dc, vcl::Rect(0, 0, kCellWidth, kCellHeight), &sunk->Bitmap, false, sunk->Tile == 1,
                      false, frames, k, Margins(*sunk));
      SkinDrawElement(dc, button_area, &combo->Bitmap, false, combo->Tile == 1, false, combo->Frame, k,
                      Margins(*combo));
      if (s_.ExtraImages)
        SkinDrawCentredFrame(dc, button_area, &s_.ExtraImages->Bitmap, true, s_.ExtraImages->Frame, k);
      cell.Canvas()->Brush()->SetColor(kSkinKeyColour);
      cell.Canvas()->FillRect(vcl::Rect(2, 2, kCellWidth - 1 - button, 18));
      canvas.CopyRect(vcl::Rect(kCellWidth * (k - 1), 0, kCellWidth * k, kCellHeight), cell.Canvas(),
                      vcl::Rect(0, 0, kCellWidth, kCellHeight));
    }
    combo->Style = 2;
    combo->TopHeight = sunk->TopHeight;
    combo->BottomHeight = sunk->BottomHeight;
    combo->LeftWidth = 2;
    combo->RightWidth = button + 2;
    combo->Bitmap.Assign(&strip);
    sunk->Bitmap.Assign(&strip);
    MirrorBitmap(sunk->Bitmap);
    sunk->LeftWidth = button + 2;
    sunk->RightWidth = 2;
  }

  // The combo box's arrow squares: cut from the composite, or the combo
  // button's own image on the face colour.
  void MakeComboArrow() {
    if (s_.ComboArrow) return;
    TDataSkinBorder* combo = s_.ComboButton.get();
    const TDataSkinObject* sunk = s_.SunkEdge.get();
    if (!combo) return;
    auto arrow = std::make_unique<TDataSkinObject>("ComboxArrow");
    if (sunk && combo->Style == 2) {
      const int frames = sunk->Frame, c = combo->Bitmap.Width() / frames;
      if (c < 19 || !images_.Take(int64_t{17} * 17 * frames)) return;
      arrow->Bitmap.SetPixelFormat(vcl::pf24bit);
      arrow->Bitmap.SetSize(17 * frames, 17);
      for (int k = 1; k <= frames; ++k)
        arrow->Bitmap.Canvas()->CopyRect(vcl::Rect(17 * (k - 1), 0, 17 * k, 17), combo->Bitmap.Canvas(),
                                         vcl::Rect(k * c - 19, 2, k * c - 2, 19));
      arrow->Frame = frames;
    } else if (!sunk) {
      if (!images_.Take(int64_t{combo->Bitmap.Width()} * combo->Bitmap.Height())) return;
      arrow->Bitmap.Assign(&combo->Bitmap);
      if (!arrow->Bitmap.Empty()) ReplaceKeyColour(arrow->Bitmap, s_.ButtonFace);
      arrow->Frame = combo->Frame;
    } else {
      return;
    }
    s_.ComboArrow = std::move(arrow);
  }

  // A vertical gradient from the face towards the menu bar background; a
  // vivid background gives a lighter second colour the more vivid it is.
  void MakeToolbar() {
    if (s_.Toolbar) return;
    auto bar = std::make_unique<TDataSkinObject>("Toolbar");
    constexpr int kWidth = 10, kHeight = 40;
    const vcl::TColor first = BlendColours(s_.ButtonFace, vcl::clWhite, 150);
    vcl::TColor second = BlendColours(vcl::clGray, s_.MenuBarBackground, 150);
    const int saturation = ColourSaturation(s_.MenuBarBackground);
    if (saturation > 110)
      second = BlendColours(s_.MenuBarBackground, vcl::clWhite, (225 - saturation) * 25 / 140 + 50);
    if (images_.Take(kWidth * kHeight)) {
      bar->Bitmap.SetPixelFormat(vcl::pf24bit);
      bar->Bitmap.SetSize(kWidth, kHeight);
      GradientFill(bar->Bitmap.Canvas()->Handle(), vcl::Rect(0, 0, kWidth, kHeight), first, true, second);
    }
    bar->Frame = 1;
    s_.Toolbar = std::move(bar);
  }

  static vcl::TRect Margins(const TDataSkinObject& e) {
    return vcl::Rect(e.LeftWidth, e.TopHeight, e.RightWidth, e.BottomHeight);
  }

  void LoadMenuBarBackground() {
    s_.MenuBarBackground = s_.ButtonFace;
    if (!s_.Top || s_.Top->Bitmap.Empty()) return;
    vcl::TBitmap& top = s_.Top->Bitmap;
    s_.MenuBarBackground = top.Canvas()->Pixels(top.Width() / 3, top.Height() / s_.Top->Frame / 3);
  }

  TParsedSkin& s_;
  const TQuickIni& ini_;
  TImageSource images_;
};

}  // namespace

void TSkinBrush::Reset(plat::HBRUSH brush) {
  if (brush_ && brush_ != brush) plat::DeleteObject(brush_);
  brush_ = brush;
}

TParsedSkin::TParsedSkin()
    : Title(std::make_unique<TDataSkinTitle>("Title")),
      Buttons(std::make_unique<TDataSkinButton>("Buttons")) {
  CustomColours.fill(vcl::clWhite);
}

TParsedSkin::~TParsedSkin() = default;
TParsedSkin::TParsedSkin(TParsedSkin&&) noexcept = default;
TParsedSkin& TParsedSkin::operator=(TParsedSkin&&) noexcept = default;

bool TParsedSkin::LoadFromPackage(const TSkinReader& reader) {
  vcl::TMemoryStream description;
  std::string name;
  reader.ExtractMemberLike(".ini", description, name);
  if (name.empty()) return false;
  TQuickIni ini;
  ini.LoadFromStream(&description);
  LoadDescription(ini, reader);
  return true;
}

void TParsedSkin::LoadDescription(const TQuickIni& ini, const TSkinReader& reader) {
  // Built aside and moved in whole, so a skin is never half replaced.
  TParsedSkin fresh;
  TLoader(fresh, ini, reader).Run();
  *this = std::move(fresh);
}

}  // namespace skin
