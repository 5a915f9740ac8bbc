#include "export/cDIBSection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <random>

namespace vesk {
namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

std::int64_t bytesPerScanLine(std::int64_t width) { return (3 * width + 3) & ~std::int64_t{3}; }

// Whether 3 * width + 3 and the buffer's byte count stay within 32 bits.
bool byteCountsFit(std::int64_t width, std::int64_t height) {
  const std::int64_t line = 3 * width + 3;
  if (line < kInt32Min || line > kInt32Max) return false;
  const std::int64_t total = bytesPerScanLine(width) * height;
  return total >= kInt32Min && total <= kInt32Max;
}

struct Span {
  int src = 0;
  int dst = 0;
  int length = 0;
};

// One axis of a copy of length n from src to dst, clipped to a source extent
// and a destination extent; none when nothing is left.
std::optional<Span> clipAxis(std::int64_t src, std::int64_t dst, std::int64_t n, std::int64_t srcExtent,
                             std::int64_t dstExtent) {
  const std::int64_t first = std::max({std::int64_t{0}, -src, -dst});
  const std::int64_t last = std::min({n, srcExtent - src, dstExtent - dst});
  if (last <= first) return std::nullopt;
  return Span{static_cast<int>(src + first), static_cast<int>(dst + first), static_cast<int>(last - first)};
}

unsigned char toByte(float value) {
  return static_cast<unsigned char>(std::clamp(std::nearbyint(value), 0.0f, 255.0f));
}

}  // namespace

bool cDIBSection::CopyToClipboard(bool bAsDIB, const MessageFunction &showMessage) {
  if (bAsDIB) {
    const std::string text = "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!";
    if (showMessage) showMessage(text);
    return false;
  }
  QClipboard *clipboard = QGuiApplication::clipboard();
  const QImage image = toImage();
  if (clipboard == nullptr || image.isNull()) return false;
  clipboard->setImage(image);
  return true;
}

bool cDIBSection::CreateDIB(std::int32_t lWidth, std::int32_t lHeight, std::uintptr_t &hDib) {
  hDib = 0;
  if (!byteCountsFit(lWidth, lHeight)) return false;
  width = lWidth;
  height = lHeight;
  bits.reset();
  if (lWidth <= 0 || lHeight <= 0) return false;
  const auto size = static_cast<std::size_t>(BytesPerScanLine()) * static_cast<std::size_t>(lHeight);
  bits.reset(new (std::nothrow) unsigned char[size]());
  hDib = this->hDib();
  return hDib != 0;
}

void cDIBSection::CreateFromPicture(const QImage &picThis) {
  if (!Create(picThis.isNull() ? 0 : picThis.width(), picThis.isNull() ? 0 : picThis.height())) return;
  LoadPictureBlt(picThis, 0, 0, -1, -1);
}

bool cDIBSection::Create(std::int32_t lWidth, std::int32_t lHeight) {
  ClearUp();
  std::uintptr_t handle = 0;
  return CreateDIB(lWidth, lHeight, handle);
}

std::int32_t cDIBSection::BytesPerScanLine() const { return static_cast<std::int32_t>(bytesPerScanLine(width)); }

void cDIBSection::LoadPictureBlt(const QImage &picture, std::int32_t lSrcLeft, std::int32_t lSrcTop,
                                 std::int32_t lSrcWidth, std::int32_t lSrcHeight) {
  if (!bits || picture.isNull()) return;
  const auto xs = clipAxis(lSrcLeft, 0, lSrcWidth < 0 ? width : lSrcWidth, picture.width(), width);
  const auto ys = clipAxis(lSrcTop, 0, lSrcHeight < 0 ? height : lSrcHeight, picture.height(), height);
  if (!xs || !ys) return;
  const QImage source = picture.copy(xs->src, ys->src, xs->length, ys->length).convertToFormat(QImage::Format_BGR888);
  if (source.isNull()) return;
  const std::size_t line = static_cast<std::size_t>(BytesPerScanLine());
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(xs->length);
  for (int row = 0; row < ys->length; ++row) {
    const auto imageRow = static_cast<std::size_t>(ys->dst + row);
    unsigned char *target = bits.get() + (static_cast<std::size_t>(height) - 1 - imageRow) * line + 3 * xs->dst;
    std::memcpy(target, source.constScanLine(row), rowBytes);
  }
}

void cDIBSection::PaintPicture(QPaintDevice &device, std::int32_t lDestLeft, std::int32_t lDestTop,
                               std::int32_t lDestWidth, std::int32_t lDestHeight, std::int32_t lSrcLeft,
                               std::int32_t lSrcTop) const {
  if (!bits) return;
  const auto xs = clipAxis(lSrcLeft, lDestLeft, lDestWidth < 0 ? width : lDestWidth, width, device.width());
  const auto ys = clipAxis(lSrcTop, lDestTop, lDestHeight < 0 ? height : lDestHeight, height, device.height());
  if (!xs || !ys) return;
  const QImage image = toImage();
  QPainter painter(&device);
  if (image.isNull() || !painter.isActive()) return;
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QPoint(xs->dst, ys->dst), image, QRect(xs->src, ys->src, xs->length, ys->length));
}

void cDIBSection::RandomiseBits(bool bGray) {
  if (!bits) return;
  std::mt19937 generator(
      static_cast<std::mt19937::result_type>(std::chrono::system_clock::now().time_since_epoch().count()));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto next = [&] {
    return static_cast<unsigned char>(std::clamp(std::nearbyint(unit(generator) * 255.0), 0.0, 255.0));
  };
  const std::size_t line = static_cast<std::size_t>(BytesPerScanLine());
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  if (bGray) {
    for (std::size_t y = 0; y < h; ++y) {
      unsigned char *pixel = bits.get() + y * line;
      for (std::size_t x = 0; x < w; ++x, pixel += 3) pixel[0] = pixel[1] = pixel[2] = next();
    }
  } else {
    for (std::size_t x = 0; x < w; ++x) {
      for (std::size_t y = 0; y < h; ++y) {
        unsigned char *pixel = bits.get() + y * line + 3 * x;
        pixel[0] = 0;
        pixel[1] = next();
        pixel[2] = next();
      }
    }
  }
}

void cDIBSection::ClearUp() { bits.reset(); }

std::optional<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const {
  if (!bits) return std::nullopt;
  cDIBSection target;
  if (!target.Create(lNewWidth, lNewHeight)) return std::nullopt;
  if (lNewWidth == width && lNewHeight == height) {
    std::memcpy(target.bits.get(), bits.get(),
                static_cast<std::size_t>(BytesPerScanLine()) * static_cast<std::size_t>(height));
  } else {
    ResampleBilinear(target);
  }
  return target;
}

QImage cDIBSection::toImage() const {
  if (!bits) return {};
  QImage image(width, height, QImage::Format_BGR888);
  if (image.isNull()) return {};
  const std::size_t line = static_cast<std::size_t>(BytesPerScanLine());
  for (int row = 0; row < height; ++row) {
    std::memcpy(image.scanLine(row), bits.get() + static_cast<std::size_t>(height - 1 - row) * line,
                3 * static_cast<std::size_t>(width));
  }
  return image;
}

// The neighbour column and scan line are clamped to the source, so that a
// source one pixel wide or high, or a coordinate that single precision rounds
// up onto the last column, never reads past the buffer.
void cDIBSection::ResampleBilinear(cDIBSection &target) const {
  const float xScale = static_cast<float>(width - 1) / static_cast<float>(target.width);
  const float yScale = static_cast<float>(height - 1) / static_cast<float>(target.height);
  const std::size_t sourceLine = static_cast<std::size_t>(BytesPerScanLine());
  const std::size_t targetLine = static_cast<std::size_t>(target.BytesPerScanLine());
  const auto lastColumn = static_cast<std::size_t>(width - 1);
  const auto lastRow = static_cast<std::size_t>(height - 1);
  for (std::int32_t y = 0; y < target.height; ++y) {
    const float yCoord = yScale * static_cast<float>(y);
    const float yFloor = std::floor(yCoord);
    const float fy = yCoord - yFloor;
    const std::size_t y0 = std::min(static_cast<std::size_t>(yFloor), lastRow);
    const std::size_t y1 = std::min(y0 + 1, lastRow);
    const unsigned char *row0 = bits.get() + y0 * sourceLine;
    const unsigned char *row1 = bits.get() + y1 * sourceLine;
    unsigned char *out = target.bits.get() + static_cast<std::size_t>(y) * targetLine;
    for (std::int32_t x = 0; x < target.width; ++x) {
      const float xCoord = xScale * static_cast<float>(x);
      const float xFloor = std::floor(xCoord);
      const float fx = xCoord - xFloor;
      const std::size_t x0 = std::min(static_cast<std::size_t>(xFloor), lastColumn);
      const std::size_t x1 = std::min(x0 + 1, lastColumn);
      for (std::size_t c = 0; c < 3; ++c) {
        const float v0 = std::nearbyint((1.0f - fy) * row0[3 * x0 + c] + fy * row1[3 * x0 + c]);
        const float v1 = std::nearbyint((1.0f - fy) * row0[3 * x1 + c] + fy * row1[3 * x1 + c]);
        out[3 * static_cast<std::size_t>(x) + c] = toByte((1.0f - fx) * v0 + fx * v1);
      }
    }
  }
}

}  // namespace vesk
