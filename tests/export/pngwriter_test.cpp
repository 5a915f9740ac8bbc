#include "export/PngWriter.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QImage>

#include <string>

namespace vesk {
namespace {

// The IHDR's colour type: 0 grey, 2 RGB.
int pngColourType(const std::string &png) { return png.size() > 25 ? int(png[25]) : -1; }

QImage decoded(const std::string &png) {
  return QImage::fromData(reinterpret_cast<const uchar *>(png.data()), int(png.size()))
      .convertToFormat(QImage::Format_RGB32);
}

// Grey pictures go out as one byte a pixel, others as RGB; both decode to the very same pixels.
TEST(PngWriter, EveryPictureComesBackPixelForPixel) {
  QImage grey(37, 5, QImage::Format_RGB32);
  grey.fill(Qt::white);
  for (int x = 0; x < grey.width(); ++x) grey.setPixelColor(x, x % 5, QColor(x * 7, x * 7, x * 7));
  QImage colour = grey.copy();
  colour.setPixelColor(3, 1, QColor(200, 10, 60));
  colour.setPixelColor(36, 4, QColor(1, 2, 3));

  const std::string greyPng = encodePng(grey, 96), colourPng = encodePng(colour, 96);
  EXPECT_EQ(pngColourType(greyPng), 0);
  EXPECT_EQ(pngColourType(colourPng), 2);
  EXPECT_EQ(decoded(greyPng), grey);
  EXPECT_EQ(decoded(colourPng), colour);
}

}  // namespace
}  // namespace vesk
