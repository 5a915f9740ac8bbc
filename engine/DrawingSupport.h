#pragma once

// What the engine's drawing files share.

#include "engine/MainForm.h"
#include "surface/Surface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vesk::drawing {

// Round to the nearest integer, ties to even, into 32 bits; NaN gives 0 and
// values beyond the range the nearest end of it.
inline std::int32_t round32(double v) {
  if (std::isnan(v)) return 0;
  v = std::nearbyint(v);
  if (v <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (v >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

// The screen's twips per pixel, 15 when the window gives no usable figure.
inline double twipsPerPixel(const MainForm &main) {
  const double tpp = main.TwipsPerPixelY();
  return std::isfinite(tpp) && tpp > 0 ? tpp : 15;
}

inline bool usable(const Surface &s) {
  return std::isfinite(s.Width()) && std::isfinite(s.Height()) && s.Width() > 0 && s.Height() > 0;
}

// The titles' and text labels' font: "Arial" at size points. The height is a
// 16-bit product of the size and -20: sizes are held to 0 (the default
// height) up to 1638 points, the largest it can take.
inline SurfaceFont labelFont(std::int32_t size, std::int32_t escapement, const MainForm &main) {
  const int size16 = std::clamp(size, 0, 1638);
  SurfaceFont font;
  font.face = "Arial";
  font.height = round32(size16 * -20 / twipsPerPixel(main));
  font.escapement = escapement;
  return font;
}

// Selects a font for the lifetime of the object.
class FontSelection {
public:
  FontSelection(Surface &s, const SurfaceFont &font) : surface(s), previous(s.SelectFont(font)) {}
  ~FontSelection() { surface.SelectFont(previous); }
  FontSelection(const FontSelection &) = delete;
  FontSelection &operator=(const FontSelection &) = delete;

private:
  Surface &surface;
  SurfaceFont previous;
};

}  // namespace vesk::drawing
