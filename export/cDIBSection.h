#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QImage;
class QPaintDevice;

namespace vesk {

// An owned 24-bit pixel buffer: Height scan lines of BytesPerScanLine bytes,
// bottom row first, blue-green-red, each scan line padded to a multiple of 4
// bytes. The JPEG writer reads it in place.
//
// Empty (no buffer) or Holding. Width and Height report the last size that
// CreateDIB recorded, also after ClearUp and after a failed Create. hdc and hDib stand in for the
// platform handles: the buffer's address as an integer when Holding, 0 when
// Empty.
class cDIBSection {
public:
  using MessageFunction = std::function<void(const std::string &text)>;

  cDIBSection() = default;
  ~cDIBSection() = default;
  cDIBSection(const cDIBSection &) = delete;
  cDIBSection &operator=(const cDIBSection &) = delete;
  cDIBSection(cDIBSection &&) noexcept = default;
  cDIBSection &operator=(cDIBSection &&) noexcept = default;

  // Puts the image on the clipboard as a bitmap. With bAsDIB it only shows
  // its message through showMessage (the caller's message box) and returns false.
  bool CopyToClipboard(bool bAsDIB, const MessageFunction &showMessage = {});
  // Records the size (unless its byte counts overflow) and makes a
  // zero-filled buffer; hDib gets its handle, or 0 on failure.
  bool CreateDIB(std::int32_t lWidth, std::int32_t lHeight, std::uintptr_t &hDib);
  // Copies a captured picture in, converted to 24 bits; a null picture leaves the object Empty.
  void CreateFromPicture(const QImage &picThis);
  // Gives up any buffer and makes a new one; false (and Empty) for a size
  // that is not positive or whose byte counts do not fit in 32 bits.
  bool Create(std::int32_t lWidth, std::int32_t lHeight);

  std::int32_t BytesPerScanLine() const;
  std::int32_t Width() const { return width; }
  std::int32_t Height() const { return height; }

  // Copies from picture at (lSrcLeft, lSrcTop) into the buffer at (0, 0); a
  // negative width or height stands for Width or Height. Clipped to both.
  void LoadPictureBlt(const QImage &picture, std::int32_t lSrcLeft, std::int32_t lSrcTop, std::int32_t lSrcWidth,
                      std::int32_t lSrcHeight);
  // Copies the buffer from (lSrcLeft, lSrcTop) onto device at (lDestLeft,
  // lDestTop), replacing what was there; negative sizes as in LoadPictureBlt.
  void PaintPicture(QPaintDevice &device, std::int32_t lDestLeft, std::int32_t lDestTop, std::int32_t lDestWidth,
                    std::int32_t lDestHeight, std::int32_t lSrcLeft = 0, std::int32_t lSrcTop = 0) const;

  std::uintptr_t hdc() const { return reinterpret_cast<std::uintptr_t>(bits.get()); }
  std::uintptr_t hDib() const { return reinterpret_cast<std::uintptr_t>(bits.get()); }
  unsigned char *DIBSectionBitsPtr() { return bits.get(); }
  const unsigned char *DIBSectionBitsPtr() const { return bits.get(); }

  // Fills the pixels with random values (gray: the same value in all three bytes).
  void RandomiseBits(bool bGray);
  void ClearUp();
  // A new object of the given size holding this image resampled; none when
  // this object is Empty or the size is refused.
  std::optional<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const;

  // A top-row-first copy of the buffer (null when Empty).
  QImage toImage() const;

private:
  void ResampleBilinear(cDIBSection &target) const;

  std::unique_ptr<unsigned char[]> bits;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

}  // namespace vesk
