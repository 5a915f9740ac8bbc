#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace vesk::test {

// The bounding box of the pixels that differ from the background.
inline QRect painted(const QImage &img, QColor back = Qt::white) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) != back) box |= QRect(x, y, 1, 1);
  return box;
}

}  // namespace vesk::test
