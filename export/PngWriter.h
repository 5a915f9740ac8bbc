#pragma once

#include <QImage>

#include <string>

namespace vesk {

// The image as a PNG file's bytes, pixel for pixel: 8-bit grey when every
// pixel is grey, else 8-bit RGB; declaring dotsPerInch in its pHYs chunk. Throws ExportError when it cannot be encoded.
std::string encodePng(const QImage &image, double dotsPerInch);

}  // namespace vesk
