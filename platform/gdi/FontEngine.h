#pragma once
// The font engine under the drawing layer: face names resolve to installed
// fonts through fontconfig, FreeType hints and renders glyphs as monochrome
// masks (the program draws into palette DIBs, so there is no anti-aliasing).
// It knows nothing of device contexts. Every entry point is thread-safe.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/FontTypes.h"

struct FT_SizeRec_;

namespace plat::fonts {

struct EngineState;
struct FaceRecord;
struct GlyphCache;

// One run of text rendered at a reference point: the left end of its baseline.
// Coordinates are device pixels, y down, relative to that point.
struct TextMask {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ink;   // 1 where a glyph, underline or strike-out covers the pixel
  std::vector<uint8_t> cell;  // 1 inside the text cell, which an opaque background fills
  POINT advance;              // where a following run would start

  bool InkAt(int x, int y) const { return At(ink, x, y); }
  bool CellAt(int x, int y) const { return At(cell, x, y); }
  // Smallest rectangle holding all ink; empty (all zero) when nothing is inked.
  RECT InkBounds() const;

 private:
  bool At(const std::vector<uint8_t>& plane, int x, int y) const;
};

// A realised font: the installed face at a pixel size, the request's style and
// rotation, and the glyphs made so far. Shared and immutable for its users.
class Font {
 public:
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const LOGFONTA& Request() const { return request_; }
  const TEXTMETRICA& Metrics() const { return metrics_; }
  // The installed family that draws it ("Liberation Sans").
  const std::string& Family() const { return family_; }
  // The name the font answers to: the requested face where it is one of the
  // known names, else the family that stands in for it.
  const std::string& FaceName() const { return face_name_; }
  // Tenths of a degree, counter-clockwise, 0..3599.
  int Escapement() const { return escapement_; }

  // Hinted advance of each character, in whole pixels, without kerning. The
  // renderer steps by exactly these.
  std::vector<int> Advances(std::string_view utf8) const;
  // Unrotated extent: the sum of the advances by the cell height.
  SIZE Extent(std::string_view utf8) const;
  // Renders the run rotated by the escapement. char_advances, when not empty,
  // replaces the natural advance of each character (missing entries keep it).
  TextMask Render(std::string_view utf8, std::span<const int> char_advances = {}) const;

 private:
  friend class FontEngine;
  Font() = default;
  // These expect the engine's lock to be held.
  int Advance(uint32_t glyph) const;
  void Activate() const;
  std::vector<uint32_t> Glyphs(std::string_view utf8) const;

  std::shared_ptr<FaceRecord> face_;
  FT_SizeRec_* size_ = nullptr;
  std::unique_ptr<GlyphCache> glyphs_;
  LOGFONTA request_;
  TEXTMETRICA metrics_;
  std::string family_;
  std::string face_name_;
  int escapement_ = 0;
  double cos_ = 1.0;
  double sin_ = 0.0;
  bool synthetic_bold_ = false;
  bool synthetic_italic_ = false;
  int underline_top_ = 0;  // below the baseline
  int underline_size_ = 1;
  int strikeout_top_ = 0;  // negative: above the baseline
  int strikeout_size_ = 1;
};

class FontEngine {
 public:
  // The system's fonts, as fontconfig's configuration lists them.
  FontEngine();
  // Only the fonts in these folders; none at all for an empty list.
  explicit FontEngine(const std::vector<std::string>& font_dirs);
  ~FontEngine();
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

  // The engine the drawing layer uses.
  static FontEngine& Default();

  // The installed family a face name maps to, or "" when no font is found.
  std::string ResolveFamily(std::string_view face);
  // The font for a description; nullptr when no installed font can serve it.
  std::shared_ptr<const Font> Realize(const LOGFONTA& request);

 private:
  std::shared_ptr<EngineState> state_;
};

// Character height, in pixels, of a font whose lfHeight is 0.
constexpr int kDefaultCharHeight = 12;

}  // namespace plat::fonts
