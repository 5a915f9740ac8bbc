#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

namespace vesk {

// Which pixels of an image are known to hold one colour, the ink: one bit per
// pixel, column by column. A set bit is kept true by whoever writes the image
// (a write of any other colour clears it); a clear bit says nothing. A line
// drawn in the ink changes no pixel whose bit is set, so a line over set bits
// only can be left out without changing the picture.
class InkMap {
public:
  bool valid() const { return isValid; }
  void invalidate() { isValid = false; }
  QRgb ink() const { return inkColour; }

  // Every bit from the image as it stands.
  void rebuild(const QImage &image, QRgb ink);
  // Every bit set or every bit clear, for an image filled with one colour.
  void reset(int width, int height, QRgb ink, bool all);

  void set(int x, int y, QRgb written) {
    std::uint64_t &w = words[wordOf(x, y)];
    const std::uint64_t bit = std::uint64_t(1) << (y & 63);
    w = written == inkColour ? w | bit : w & ~bit;
  }
  // The pixels from (left, top) up to (right, bottom), both included, within the image.
  void setRect(int left, int top, int right, int bottom, QRgb written);
  // Forgets what is known of the pixels of r (clipped to the image).
  void clear(const QRect &r);

  // True when every pixel of r within the image is known to hold the ink;
  // pixels outside the image count as held.
  bool allSet(const QRect &r) const;
  int width() const { return w; }
  int height() const { return h; }

private:
  std::size_t wordOf(int x, int y) const { return std::size_t(x) * perColumn + std::size_t(y >> 6); }
  bool columnSet(int x, int top, int bottom) const;

  bool isValid = false;
  QRgb inkColour = 0;
  int w = 0;
  int h = 0;
  int perColumn = 0;
  std::vector<std::uint64_t> words;
};

}  // namespace vesk
