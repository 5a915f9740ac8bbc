#include "engine/DrawnMarkers.h"

namespace vesk {

std::size_t DrawnMarkers::KeyHash::operator()(const Key &k) const {
  std::size_t h = 0;
  for (int v : k) h = (h ^ std::size_t(std::uint32_t(v))) * 0x100000001b3ULL;
  return h;
}

bool DrawnMarkers::first(const Surface &surface, std::int16_t style, double x, double y, double hx, double hy) {
  // Every end of every style lies on these rows and columns.
  const auto low = surface.wholePixel(x - hx, y - hy), mid = surface.wholePixel(x, y),
             high = surface.wholePixel(x + hx, y + hy);
  if (!low || !mid || !high) return true;
  return seen.insert({style, low->first, mid->first, high->first, low->second, mid->second, high->second}).second;
}

}  // namespace vesk
