#include "platform/gdi/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <numbers>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "platform/gdi/TextUtf8.h"

namespace plat::fonts {

// One FreeType library, one fontconfig configuration and one lock for both:
// neither library may be entered from two threads on the same objects. Faces
// keep the state alive, so fonts in use outlive the engine that made them.
struct EngineState {
  std::recursive_mutex mutex;
  FT_Library library = nullptr;
  FcConfig* config = nullptr;
  std::map<std::pair<std::string, int>, std::shared_ptr<FaceRecord>> faces;
  std::map<std::string, std::shared_ptr<const Font>> fonts;

  ~EngineState() {
    fonts.clear();
    faces.clear();
    if (config) FcConfigDestroy(config);
    if (library) FT_Done_FreeType(library);
  }
};

// An opened font file and the design metrics the sizing rules read.
struct FaceRecord {
  std::shared_ptr<EngineState> state;
  FT_Face face = nullptr;
  int units_per_em = 2048;
  int win_ascent = 0;
  int win_descent = 0;
  int hhea_ascent = 0;
  int hhea_descent = 0;
  int line_gap = 0;
  int avg_char_width = 0;
  int max_advance = 0;
  int underline_position = 0;
  int underline_thickness = 0;
  int strikeout_position = 0;
  int strikeout_size = 0;
  bool fixed_pitch = false;

  ~FaceRecord() {
    std::lock_guard lock(state->mutex);
    FT_Done_Face(face);
  }
};

struct GlyphBitmap {
  int left = 0;  // of the top-left pixel, from the pen position
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;
};

struct GlyphCache {
  std::unordered_map<uint32_t, int> advances;
  std::unordered_map<uint32_t, GlyphBitmap> bitmaps;
};

namespace {

// Faces the program asks for and the installed families that stand in for them.
struct Alias {
  const char* face;
  const char* family;
};
constexpr Alias kAliases[] = {
    {"Arial", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Microsoft Sans Serif", "Liberation Sans"},
    {"MS Shell Dlg", "Liberation Sans"},
    {"MS Shell Dlg 2", "Liberation Sans"},
    {"System", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"MS Serif", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Small Fonts", "DejaVu Sans"},
};
constexpr const char* kFallbackFamily = "Liberation Sans";
constexpr double kItalicShear = 0.2;  // slant of a synthesised italic, about 11 degrees
constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP;
constexpr size_t kFontCacheLimit = 256;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

const Alias* FindAlias(std::string_view face) {
  for (const Alias& a : kAliases)
    if (SameName(face, a.face)) return &a;
  return nullptr;
}

struct Match {
  std::string file;
  int index = 0;
  std::string family;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

// fontconfig's best font for the family; with exact_family, only one that
// really is of that family (fontconfig otherwise offers any font at all).
std::optional<Match> MatchFamily(FcConfig* config, const std::string& family, bool bold, bool italic,
                                 bool exact_family) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!found) return std::nullopt;

  std::optional<Match> match;
  FcChar8* file = nullptr;
  if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
    Match m;
    m.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &m.weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &m.slant);
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
      std::string n = reinterpret_cast<const char*>(name);
      if (i == 0) m.family = n;
      if (SameName(n, family)) {
        m.family = n;
        match = m;
        break;
      }
    }
    if (!match && !exact_family && !m.family.empty()) match = m;
  }
  FcPatternDestroy(found);
  return match;
}

// Known names map to their stand-ins, unknown ones are tried as installed
// families and otherwise fall back to the default sans, then to anything.
std::optional<Match> Resolve(FcConfig* config, std::string_view face, bool bold, bool italic) {
  std::string name = Trim(face);
  if (const Alias* alias = FindAlias(name)) name = alias->family;
  if (name.empty()) name = kFallbackFamily;
  if (auto m = MatchFamily(config, name, bold, italic, true)) return m;
  if (auto m = MatchFamily(config, kFallbackFamily, bold, italic, true)) return m;
  return MatchFamily(config, name, bold, italic, false);
}

std::shared_ptr<FaceRecord> OpenFace(const std::shared_ptr<EngineState>& state, const Match& match) {
  auto key = std::make_pair(match.file, match.index);
  if (auto it = state->faces.find(key); it != state->faces.end()) return it->second;
  FT_Face face = nullptr;
  if (FT_New_Face(state->library, match.file.c_str(), match.index, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  auto record = std::make_shared<FaceRecord>();
  record->state = state;
  record->face = face;
  record->units_per_em = face->units_per_EM;
  record->hhea_ascent = face->ascender;
  record->hhea_descent = -face->descender;
  record->line_gap = std::max(0, face->height - (face->ascender - face->descender));
  record->max_advance = face->max_advance_width;
  record->underline_position = face->underline_position;
  record->underline_thickness = face->underline_thickness;
  record->fixed_pitch = FT_IS_FIXED_WIDTH(face);
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
    record->win_ascent = os2->usWinAscent;
    record->win_descent = os2->usWinDescent;
    record->avg_char_width = os2->xAvgCharWidth;
    record->strikeout_position = os2->yStrikeoutPosition;
    record->strikeout_size = os2->yStrikeoutSize;
  }
  if (record->win_ascent + record->win_descent <= 0) {
    record->win_ascent = record->hhea_ascent;
    record->win_descent = record->hhea_descent;
  }
  if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA)))
    record->line_gap = std::max<int>(0, hhea->Line_Gap);
  state->faces.emplace(key, record);
  return record;
}

int CeilScaled(int design, double scale) { return static_cast<int>(std::ceil(design * scale - 1e-6)); }
int RoundScaled(int design, double scale) { return static_cast<int>(std::lround(design * scale)); }

std::string RequestKey(const LOGFONTA& lf) {
  std::string key(reinterpret_cast<const char*>(&lf), offsetof(LOGFONTA, lfFaceName));
  std::string face(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  for (char& c : face) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key + face;
}

// Fills the pixels whose centres lie in the rectangle [x0, x1) x [y0, y1) of
// the unrotated run, turned by (c, s) about the reference point.
void FillRotatedRect(TextMask& mask, std::vector<uint8_t>& plane, double c, double s, int x0, int y0, int x1,
                     int y1) {
  if (x1 <= x0 || y1 <= y0) return;
  for (int py = 0; py < mask.height; ++py) {
    double y = mask.top + py + 0.5;
    for (int px = 0; px < mask.width; ++px) {
      double x = mask.left + px + 0.5;
      double u = x * c - y * s;
      double v = x * s + y * c;
      if (u >= x0 && u < x1 && v >= y0 && v < y1) plane[static_cast<size_t>(py) * mask.width + px] = 1;
    }
  }
}

RECT RotatedBounds(double c, double s, int x0, int y0, int x1, int y1) {
  double xs[4], ys[4];
  int i = 0;
  for (int u : {x0, x1})
    for (int v : {y0, y1}) {
      xs[i] = u * c + v * s;
      ys[i] = -u * s + v * c;
      ++i;
    }
  auto [xmin, xmax] = std::minmax_element(xs, xs + 4);
  auto [ymin, ymax] = std::minmax_element(ys, ys + 4);
  return RECT{static_cast<LONG>(std::floor(*xmin + 1e-9)), static_cast<LONG>(std::floor(*ymin + 1e-9)),
              static_cast<LONG>(std::ceil(*xmax - 1e-9)), static_cast<LONG>(std::ceil(*ymax - 1e-9))};
}

void Unite(RECT& into, const RECT& r) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (into.right <= into.left || into.bottom <= into.top) {
    into = r;
    return;
  }
  into.left = std::min(into.left, r.left);
  into.top = std::min(into.top, r.top);
  into.right = std::max(into.right, r.right);
  into.bottom = std::max(into.bottom, r.bottom);
}

}  // namespace

// ---- TextMask

bool TextMask::At(const std::vector<uint8_t>& plane, int x, int y) const {
  int px = x - left;
  int py = y - top;
  if (px < 0 || py < 0 || px >= width || py >= height) return false;
  return plane[static_cast<size_t>(py) * width + px] != 0;
}

RECT TextMask::InkBounds() const {
  RECT r{};
  for (int py = 0; py < height; ++py)
    for (int px = 0; px < width; ++px)
      if (ink[static_cast<size_t>(py) * width + px])
        Unite(r, RECT{left + px, top + py, left + px + 1, top + py + 1});
  return r;
}

// ---- Font

Font::~Font() {
  if (size_ && face_) {
    std::lock_guard lock(face_->state->mutex);
    FT_Done_Size(size_);
  }
}

void Font::Activate() const { FT_Activate_Size(size_); }

std::vector<uint32_t> Font::Glyphs(std::string_view utf8) const {
  std::vector<uint32_t> glyphs;
  glyphs.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    Utf8Char ch = DecodeUtf8At(utf8, pos);
    glyphs.push_back(FT_Get_Char_Index(face_->face, ch.code));
    pos += ch.length;
  }
  return glyphs;
}

int Font::Advance(uint32_t glyph) const {
  if (auto it = glyphs_->advances.find(glyph); it != glyphs_->advances.end()) return it->second;
  Activate();
  int advance = 0;
  FT_GlyphSlot slot = face_->face->glyph;
  if (FT_Load_Glyph(face_->face, glyph, kLoadFlags) == 0) {
    advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (synthetic_bold_) {
      ++advance;
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
    }
    // At small sizes a hinted upright glyph can ink a column past its advance;
    // the cell grows to hold it so measured boxes hold what is drawn.
    if (!request_.lfItalic && slot->format == FT_GLYPH_FORMAT_OUTLINE &&
        FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0 && slot->bitmap.width > 0)
      advance = std::max(advance, slot->bitmap_left + static_cast<int>(slot->bitmap.width));
  }
  glyphs_->advances.emplace(glyph, advance);
  return advance;
}

std::vector<int> Font::Advances(std::string_view utf8) const {
  std::lock_guard lock(face_->state->mutex);
  std::vector<int> advances;
  for (uint32_t g : Glyphs(utf8)) advances.push_back(Advance(g));
  return advances;
}

SIZE Font::Extent(std::string_view utf8) const {
  SIZE size{0, metrics_.tmHeight};
  for (int a : Advances(utf8)) size.cx += a;
  return size;
}

TextMask Font::Render(std::string_view utf8, std::span<const int> char_advances) const {
  std::lock_guard lock(face_->state->mutex);
  const double c = cos_;
  const double s = sin_;
  std::vector<uint32_t> glyphs = Glyphs(utf8);

  // The pen walks the unrotated baseline by whole pixels; each step is turned
  // and rounded on its own so the run ends where the measured width says.
  std::vector<POINT> pens;
  int run = 0;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    pens.push_back(POINT{static_cast<LONG>(std::lround(run * c)), static_cast<LONG>(std::lround(-run * s))});
    run += i < char_advances.size() ? char_advances[i] : Advance(glyphs[i]);
  }

  std::vector<const GlyphBitmap*> bitmaps;
  for (uint32_t g : glyphs) {
    auto it = glyphs_->bitmaps.find(g);
    if (it == glyphs_->bitmaps.end()) {
      GlyphBitmap bitmap;
      Activate();
      FT_Face face = face_->face;
      if (FT_Load_Glyph(face, g, kLoadFlags) == 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline* outline = &face->glyph->outline;
        // Embolden before turning so a rotated bold run thickens along its own baseline.
        if (synthetic_bold_) FT_Outline_EmboldenXY(outline, 64, 0);
        if (escapement_ != 0 || synthetic_italic_) {
          double k = synthetic_italic_ ? kItalicShear : 0.0;
          FT_Matrix m;
          m.xx = static_cast<FT_Fixed>(std::lround(c * 65536.0));
          m.xy = static_cast<FT_Fixed>(std::lround((c * k - s) * 65536.0));
          m.yx = static_cast<FT_Fixed>(std::lround(s * 65536.0));
          m.yy = static_cast<FT_Fixed>(std::lround((s * k + c) * 65536.0));
          FT_Outline_Transform(outline, &m);
        }
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) == 0) {
          const FT_Bitmap& b = face->glyph->bitmap;
          bitmap.left = face->glyph->bitmap_left;
          bitmap.top = -face->glyph->bitmap_top;
          bitmap.width = static_cast<int>(b.width);
          bitmap.height = static_cast<int>(b.rows);
          bitmap.bits.resize(static_cast<size_t>(bitmap.width) * bitmap.height);
          for (int y = 0; y < bitmap.height; ++y) {
            const unsigned char* row = b.buffer + static_cast<ptrdiff_t>(y) * b.pitch;
            for (int x = 0; x < bitmap.width; ++x)
              bitmap.bits[static_cast<size_t>(y) * bitmap.width + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
          }
        }
      }
      it = glyphs_->bitmaps.emplace(g, std::move(bitmap)).first;
    }
    bitmaps.push_back(&it->second);
  }

  TextMask mask;
  mask.advance = POINT{static_cast<LONG>(std::lround(run * c)), static_cast<LONG>(std::lround(-run * s))};
  const int ascent = metrics_.tmAscent;
  const int descent = metrics_.tmDescent;
  RECT bounds = RotatedBounds(c, s, 0, -ascent, run, descent);
  if (run == 0) bounds = RECT{};
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    const GlyphBitmap& b = *bitmaps[i];
    Unite(bounds, RECT{pens[i].x + b.left, pens[i].y + b.top, pens[i].x + b.left + b.width,
                       pens[i].y + b.top + b.height});
  }
  if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) return mask;
  mask.left = bounds.left;
  mask.top = bounds.top;
  mask.width = bounds.right - bounds.left;
  mask.height = bounds.bottom - bounds.top;
  mask.ink.assign(static_cast<size_t>(mask.width) * mask.height, 0);
  mask.cell.assign(mask.ink.size(), 0);

  FillRotatedRect(mask, mask.cell, c, s, 0, -ascent, run, descent);
  if (request_.lfUnderline)
    FillRotatedRect(mask, mask.ink, c, s, 0, underline_top_, run, underline_top_ + underline_size_);
  if (request_.lfStrikeOut)
    FillRotatedRect(mask, mask.ink, c, s, 0, strikeout_top_, run, strikeout_top_ + strikeout_size_);
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    const GlyphBitmap& b = *bitmaps[i];
    int ox = pens[i].x + b.left - mask.left;
    int oy = pens[i].y + b.top - mask.top;
    for (int y = 0; y < b.height; ++y)
      for (int x = 0; x < b.width; ++x)
        if (b.bits[static_cast<size_t>(y) * b.width + x])
          mask.ink[static_cast<size_t>(oy + y) * mask.width + ox + x] = 1;
  }
  return mask;
}

// ---- FontEngine

FontEngine::FontEngine() : state_(std::make_shared<EngineState>()) {
  FT_Init_FreeType(&state_->library);
  state_->config = FcInitLoadConfigAndFonts();
}

FontEngine::FontEngine(const std::vector<std::string>& font_dirs) : state_(std::make_shared<EngineState>()) {
  FT_Init_FreeType(&state_->library);
  state_->config = FcConfigCreate();
  if (state_->config) {
    // Share the user's font cache rather than rescan (and complain) every time.
    static const char kCacheConfig[] =
        "<?xml version=\"1.0\"?><fontconfig><cachedir prefix=\"xdg\">fontconfig</cachedir></fontconfig>";
    FcConfigParseAndLoadFromMemory(state_->config, reinterpret_cast<const FcChar8*>(kCacheConfig), FcFalse);
    for (const std::string& dir : font_dirs)
      FcConfigAppFontAddDir(state_->config, reinterpret_cast<const FcChar8*>(dir.c_str()));
  }
}

FontEngine::~FontEngine() {
  std::lock_guard lock(state_->mutex);
  state_->fonts.clear();
  state_->faces.clear();
  // Fonts still in use need only FreeType; the configuration goes with the engine.
  if (state_->config) FcConfigDestroy(state_->config);
  state_->config = nullptr;
}

FontEngine& FontEngine::Default() {
  static FontEngine engine;
  return engine;
}

std::string FontEngine::ResolveFamily(std::string_view face) {
  std::lock_guard lock(state_->mutex);
  if (!state_->config) return {};
  auto m = Resolve(state_->config, face, false, false);
  return m ? m->family : std::string();
}

std::shared_ptr<const Font> FontEngine::Realize(const LOGFONTA& request) {
  std::lock_guard lock(state_->mutex);
  if (!state_->library || !state_->config) return nullptr;
  std::string key = RequestKey(request);
  if (auto it = state_->fonts.find(key); it != state_->fonts.end()) return it->second;

  std::string_view face_name(request.lfFaceName, strnlen(request.lfFaceName, LF_FACESIZE));
  const bool bold = request.lfWeight >= FW_SEMIBOLD;
  const bool italic = request.lfItalic != 0;
  auto match = Resolve(state_->config, face_name, bold, italic);
  if (!match) return nullptr;
  auto record = OpenFace(state_, *match);
  if (!record) return nullptr;

  const int upem = record->units_per_em;
  const int wa = record->win_ascent;
  const int wd = record->win_descent;

  // Negative heights ask for the character height (the em), positive ones for
  // the cell; the cell is always whole pixels of ascent and descent.
  int height = request.lfHeight == 0 ? -kDefaultCharHeight : request.lfHeight;
  int ppem = 0;
  int ascent = 0;
  int descent = 0;
  if (height < 0) {
    ppem = -height;
    ascent = CeilScaled(wa, double(ppem) / upem);
    descent = CeilScaled(wd, double(ppem) / upem);
  } else {
    // The largest em whose cell fits, then the cell padded to the asked height.
    ppem = std::max(1, static_cast<int>(std::ceil(double(height) * upem / std::max(1, wa + wd))));
    while (ppem > 1 && CeilScaled(wa, double(ppem) / upem) + CeilScaled(wd, double(ppem) / upem) > height)
      --ppem;
    descent = CeilScaled(wd, double(ppem) / upem);
    ascent = std::max(height - descent, CeilScaled(wa, double(ppem) / upem));
  }
  const double sy = double(ppem) / upem;
  int ppem_x = ppem;
  if (request.lfWidth != 0 && record->avg_char_width > 0)
    ppem_x = std::max(
        1, static_cast<int>(std::lround(double(std::abs(request.lfWidth)) * upem / record->avg_char_width)));
  const double sx = double(ppem_x) / upem;

  FT_Size size = nullptr;
  if (FT_New_Size(record->face, &size) != 0) return nullptr;
  FT_Activate_Size(size);
  if (FT_Set_Pixel_Sizes(record->face, ppem_x, ppem) != 0) {
    FT_Done_Size(size);
    return nullptr;
  }

  std::shared_ptr<Font> font(new Font());
  font->face_ = record;
  font->size_ = size;
  font->glyphs_ = std::make_unique<GlyphCache>();
  font->request_ = request;
  font->family_ = match->family;
  const Alias* alias = FindAlias(Trim(face_name));
  font->face_name_ = alias ? alias->face : match->family;
  font->synthetic_bold_ = bold && match->weight < FC_WEIGHT_DEMIBOLD;
  font->synthetic_italic_ = italic && match->slant == FC_SLANT_ROMAN;
  int escapement = request.lfEscapement % 3600;
  if (escapement < 0) escapement += 3600;
  font->escapement_ = escapement;
  // Quarter turns are exact so rotated runs land on whole pixels.
  switch (escapement) {
    case 0:
      font->cos_ = 1, font->sin_ = 0;
      break;
    case 900:
      font->cos_ = 0, font->sin_ = 1;
      break;
    case 1800:
      font->cos_ = -1, font->sin_ = 0;
      break;
    case 2700:
      font->cos_ = 0, font->sin_ = -1;
      break;
    default: {
      double a = escapement * std::numbers::pi / 1800.0;
      font->cos_ = std::cos(a);
      font->sin_ = std::sin(a);
    }
  }

  int underline_size = std::max(1, RoundScaled(record->underline_thickness, sy));
  int underline_top = std::max(1, RoundScaled(-record->underline_position, sy));
  if (underline_top + underline_size > descent) underline_top = std::max(0, descent - underline_size);
  font->underline_top_ = underline_top;
  font->underline_size_ = underline_size;
  if (record->strikeout_size > 0) {
    font->strikeout_size_ = std::max(1, RoundScaled(record->strikeout_size, sy));
    font->strikeout_top_ = -RoundScaled(record->strikeout_position, sy);
  } else {
    font->strikeout_size_ = underline_size;
    font->strikeout_top_ = -std::max(1, ascent / 3);
  }

  TEXTMETRICA& tm = font->metrics_;
  tm.tmAscent = ascent;
  tm.tmDescent = descent;
  tm.tmHeight = ascent + descent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - ppem);
  tm.tmExternalLeading = std::max(
      0, RoundScaled(record->line_gap - ((wa + wd) - (record->hhea_ascent + record->hhea_descent)), sy));
  const int extra = font->synthetic_bold_ ? 1 : 0;
  tm.tmAveCharWidth = record->avg_char_width > 0 ? RoundScaled(record->avg_char_width, sx) + extra
                                                 : font->Advance(FT_Get_Char_Index(record->face, 'x'));
  tm.tmMaxCharWidth = CeilScaled(record->max_advance, sx) + extra;
  tm.tmWeight = bold ? FW_BOLD : FW_NORMAL;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = italic ? 1 : 0;
  tm.tmUnderlined = request.lfUnderline ? 1 : 0;
  tm.tmStruckOut = request.lfStrikeOut ? 1 : 0;
  BYTE family = request.lfPitchAndFamily & 0xF0;
  if (family == FF_DONTCARE) {
    if (record->fixed_pitch)
      family = FF_MODERN;
    else if (match->family.find("Serif") != std::string::npos &&
             match->family.find("Sans") == std::string::npos)
      family = FF_ROMAN;
    else
      family = FF_SWISS;
  }
  tm.tmPitchAndFamily = family | TMPF_TRUETYPE | TMPF_VECTOR | (record->fixed_pitch ? 0 : TMPF_FIXED_PITCH);
  tm.tmCharSet = request.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : request.lfCharSet;

  if (state_->fonts.size() >= kFontCacheLimit) {
    std::erase_if(state_->fonts, [](const auto& entry) { return entry.second.use_count() == 1; });
    std::erase_if(state_->faces, [](const auto& entry) { return entry.second.use_count() == 1; });
  }
  state_->fonts.emplace(key, font);
  return font;
}

}  // namespace plat::fonts
