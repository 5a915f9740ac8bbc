#include "surface/InkMap.h"

#include <algorithm>

namespace vesk {

namespace {

// The bits from first to last (both within one word, 0 to 63) set.
std::uint64_t bitsFrom(int first, int last) {
  const std::uint64_t upper = last == 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (last + 1)) - 1;
  return upper & ~((std::uint64_t(1) << first) - 1);
}

}  // namespace

void InkMap::reset(int width, int height, QRgb ink, bool all) {
  w = std::max(width, 0);
  h = std::max(height, 0);
  perColumn = (h + 63) / 64;
  inkColour = ink;
  words.assign(std::size_t(w) * std::size_t(perColumn), 0);
  if (all)
    for (int x = 0; x < w; ++x) setRect(x, 0, x, h - 1, ink);
  isValid = true;
}

void InkMap::rebuild(const QImage &image, QRgb ink) {
  reset(image.width(), image.height(), ink, false);
  for (int y = 0; y < h; ++y) {
    const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const std::uint64_t bit = std::uint64_t(1) << (y & 63);
    for (int x = 0; x < w; ++x)
      if (row[x] == ink) words[wordOf(x, y)] |= bit;
  }
}

void InkMap::setRect(int left, int top, int right, int bottom, QRgb written) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, w - 1);
  bottom = std::min(bottom, h - 1);
  if (left > right || top > bottom) return;
  const bool on = written == inkColour;
  for (int x = left; x <= right; ++x)
    for (int y = top; y <= bottom;) {
      const int last = std::min(bottom, y | 63);
      const std::uint64_t mask = bitsFrom(y & 63, last & 63);
      std::uint64_t &word = words[wordOf(x, y)];
      word = on ? word | mask : word & ~mask;
      y = last + 1;
    }
}

void InkMap::clear(const QRect &r) {
  if (!r.isEmpty()) setRect(r.left(), r.top(), r.right(), r.bottom(), ~inkColour);
}

bool InkMap::columnSet(int x, int top, int bottom) const {
  for (int y = top; y <= bottom;) {
    const int last = std::min(bottom, y | 63);
    const std::uint64_t mask = bitsFrom(y & 63, last & 63);
    if ((words[wordOf(x, y)] & mask) != mask) return false;
    y = last + 1;
  }
  return true;
}

bool InkMap::allSet(const QRect &r) const {
  const int left = std::max(r.left(), 0), right = std::min(r.right(), w - 1);
  const int top = std::max(r.top(), 0), bottom = std::min(r.bottom(), h - 1);
  if (left > right || top > bottom) return true;
  for (int x = left; x <= right; ++x)
    if (!columnSet(x, top, bottom)) return false;
  return true;
}

}  // namespace vesk
