#include "export/cDIBSection.h"
#include "tests/support/ExportTestHelpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace vesk {
namespace {

using test::fillDibRect;
using test::setDibPixel;

// The bytes of a pixel: x from the left, row from the top of the image.
std::vector<int> pixelBytes(const cDIBSection &dib, int x, int row) {
  const unsigned char *p =
      dib.DIBSectionBitsPtr() + std::size_t(dib.Height() - 1 - row) * std::size_t(dib.BytesPerScanLine()) + 3 * x;
  return {p[0], p[1], p[2]};
}

std::vector<unsigned char> allBytes(const cDIBSection &dib) {
  const unsigned char *p = dib.DIBSectionBitsPtr();
  return std::vector<unsigned char>(p, p + std::size_t(dib.BytesPerScanLine()) * std::size_t(dib.Height()));
}

struct ScanLineCase {
  int width;
  int bytes;
};

class BytesPerScanLineTest : public ::testing::TestWithParam<ScanLineCase> {};

TEST_P(BytesPerScanLineTest, IsThreeBytesPerPixelPaddedToFour) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(GetParam().width, 2));
  EXPECT_EQ(dib.BytesPerScanLine(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(DIBSection, BytesPerScanLineTest,
                         ::testing::Values(ScanLineCase{1, 4}, ScanLineCase{2, 8}, ScanLineCase{3, 12},
                                           ScanLineCase{4, 12}, ScanLineCase{5, 16}, ScanLineCase{500, 1500},
                                           ScanLineCase{501, 1504}));

TEST(DIBSectionState, NewObjectIsEmpty) {
  const cDIBSection dib;
  EXPECT_EQ(dib.hdc(), 0u);
  EXPECT_EQ(dib.hDib(), 0u);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_EQ(dib.Height(), 0);
}

TEST(DIBSectionState, CreateHoldsAZeroFilledBufferAndClearUpKeepsTheSize) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(10, 20));
  EXPECT_NE(dib.hdc(), 0u);
  EXPECT_NE(dib.hDib(), 0u);
  ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);
  const std::vector<unsigned char> bytes = allBytes(dib);
  EXPECT_EQ(bytes.size(), 32u * 20u);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), static_cast<long>(bytes.size()));

  dib.ClearUp();
  EXPECT_EQ(dib.hdc(), 0u);
  EXPECT_EQ(dib.hDib(), 0u);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.Width(), 10);
  EXPECT_EQ(dib.Height(), 20);
}

TEST(DIBSectionState, CreateOnAHoldingObjectReplacesTheBuffer) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 3));
  ASSERT_TRUE(dib.Create(7, 5));
  EXPECT_EQ(dib.Width(), 7);
  EXPECT_EQ(dib.Height(), 5);
  // The whole new buffer is writable (the sanitizer build checks the bounds).
  std::memset(dib.DIBSectionBitsPtr(), 0x7f, std::size_t(dib.BytesPerScanLine()) * 5);
}

TEST(DIBSectionState, MoveHandsTheBufferOverAndLeavesTheSourceEmpty) {
  cDIBSection source;
  ASSERT_TRUE(source.Create(4, 4));
  const unsigned char *bits = source.DIBSectionBitsPtr();
  cDIBSection target(std::move(source));
  EXPECT_EQ(target.DIBSectionBitsPtr(), bits);
  EXPECT_EQ(source.DIBSectionBitsPtr(), nullptr);  // NOLINT(bugprone-use-after-move)
  cDIBSection other;
  other = std::move(target);
  EXPECT_EQ(other.DIBSectionBitsPtr(), bits);
  EXPECT_EQ(other.Width(), 4);
}

struct RefusedSize {
  std::int32_t width;
  std::int32_t height;
};

class RefusedSizeTest : public ::testing::TestWithParam<RefusedSize> {};

TEST_P(RefusedSizeTest, CreateFailsAndLeavesTheObjectEmpty) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  EXPECT_FALSE(dib.Create(GetParam().width, GetParam().height));
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.hDib(), 0u);
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(DIBSection, RefusedSizeTest,
                         ::testing::Values(RefusedSize{0, 0}, RefusedSize{0, 5}, RefusedSize{5, 0}, RefusedSize{-1, 5},
                                           RefusedSize{5, -1},
                                           RefusedSize{715827882, 1},  // 3 * width + 3 passes 2^31 - 1
                                           RefusedSize{kMax, 1}, RefusedSize{1000, 715828},  // 3000 * height too
                                           RefusedSize{1, kMax}));

TEST(DIBSectionState, OverflowingSizeIsNotRecorded) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 3));
  EXPECT_FALSE(dib.Create(kMax, 1));
  EXPECT_EQ(dib.Width(), 3);
  EXPECT_EQ(dib.BytesPerScanLine(), 12);
}

TEST(DIBSectionState, ZeroSizeIsRecordedLikeAnyOther) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 3));
  EXPECT_FALSE(dib.Create(0, 0));
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_EQ(dib.Height(), 0);
}

struct PictureFormat {
  QImage::Format format;
  const char *name;
};

class CreateFromPictureTest : public ::testing::TestWithParam<PictureFormat> {};

// A 3 x 2 picture: red, green, blue over white, black, yellow.
QImage sixColours(QImage::Format format) {
  QImage image(3, 2, QImage::Format_RGB32);
  const QRgb colours[2][3] = {{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
                              {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 0)}};
  for (int row = 0; row < 2; ++row) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
    for (int x = 0; x < 3; ++x) line[x] = colours[row][x];
  }
  return image.convertToFormat(format);
}

TEST_P(CreateFromPictureTest, StoresBottomRowFirstInBlueGreenRedWithZeroPadding) {
  const QImage picture = sixColours(GetParam().format);
  ASSERT_FALSE(picture.isNull());
  cDIBSection dib;
  dib.CreateFromPicture(picture);
  ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);
  ASSERT_EQ(dib.Width(), 3);
  ASSERT_EQ(dib.Height(), 2);
  const std::vector<unsigned char> expected = {
      255, 255, 255, 0, 0,   0, 0,   255, 255, 0, 0, 0,   // bottom row: white, black, yellow, padding
      0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0};  // top row: red, green, blue, padding
  EXPECT_EQ(allBytes(dib), expected);
}

INSTANTIATE_TEST_SUITE_P(
    DIBSection, CreateFromPictureTest,
    ::testing::Values(PictureFormat{QImage::Format_RGB32, "RGB32"}, PictureFormat{QImage::Format_ARGB32, "ARGB32"},
                      PictureFormat{QImage::Format_ARGB32_Premultiplied, "ARGB32PM"},
                      PictureFormat{QImage::Format_RGB888, "RGB888"}, PictureFormat{QImage::Format_BGR888, "BGR888"},
                      PictureFormat{QImage::Format_RGB16, "RGB16"}, PictureFormat{QImage::Format_Indexed8, "Indexed8"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DIBSectionPicture, NullPictureLeavesTheObjectEmpty) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(5, 5));
  dib.CreateFromPicture(QImage());
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_EQ(dib.Height(), 0);
}

TEST(DIBSectionPicture, LoadPictureBltCopiesFromAnOffsetAndClipsToThePicture) {
  QImage picture(4, 4, QImage::Format_RGB32);
  for (int row = 0; row < 4; ++row) {
    for (int x = 0; x < 4; ++x) reinterpret_cast<QRgb *>(picture.scanLine(row))[x] = qRgb(10 * x, 10 * row, 1);
  }
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(4, 4));
  dib.LoadPictureBlt(picture, 1, 2, -1, -1);
  EXPECT_EQ(pixelBytes(dib, 0, 0), (std::vector<int>{1, 20, 10}));
  EXPECT_EQ(pixelBytes(dib, 2, 1), (std::vector<int>{1, 30, 30}));
  // Beyond the picture's right and bottom edges nothing is copied.
  EXPECT_EQ(pixelBytes(dib, 3, 0), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(pixelBytes(dib, 0, 2), (std::vector<int>{0, 0, 0}));
}

TEST(DIBSectionPicture, LoadPictureBltWithAnOffsetFarOutsideCopiesNothing) {
  const QImage picture = sixColours(QImage::Format_RGB32);
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(3, 2));
  const std::vector<unsigned char> before = allBytes(dib);
  dib.LoadPictureBlt(picture, kMax, std::numeric_limits<std::int32_t>::min(), kMax, kMax);
  dib.LoadPictureBlt(picture, -kMax, 0, -1, -1);
  EXPECT_EQ(allBytes(dib), before);
}

TEST(DIBSectionPicture, PaintPictureWithWholeSizeReproducesThePicture) {
  const QImage picture = sixColours(QImage::Format_RGB32);
  cDIBSection dib;
  dib.CreateFromPicture(picture);
  QImage target(3, 2, QImage::Format_RGB32);
  target.fill(Qt::gray);
  dib.PaintPicture(target, 0, 0, -1, -1);
  EXPECT_EQ(target, picture);
}

TEST(DIBSectionPicture, PaintPictureCopiesAPartToAPlace) {
  const QImage picture = sixColours(QImage::Format_RGB32);
  cDIBSection dib;
  dib.CreateFromPicture(picture);
  QImage target(5, 5, QImage::Format_RGB32);
  target.fill(Qt::gray);
  dib.PaintPicture(target, 3, 2, 2, 2, 1, 0);
  EXPECT_EQ(target.pixel(3, 2), qRgb(0, 255, 0));
  EXPECT_EQ(target.pixel(4, 2), qRgb(0, 0, 255));
  EXPECT_EQ(target.pixel(3, 3), qRgb(0, 0, 0));
  EXPECT_EQ(target.pixel(4, 3), qRgb(255, 255, 0));
  EXPECT_EQ(target.pixel(2, 2), QColor(Qt::gray).rgb());
  EXPECT_EQ(target.pixel(3, 4), QColor(Qt::gray).rgb());
}

TEST(DIBSectionClipboard, AsDibShowsTheMessageAndLeavesTheClipboardAlone) {
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  std::vector<std::string> messages;
  EXPECT_FALSE(dib.CopyToClipboard(true, [&](const std::string &text) { messages.push_back(text); }));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST(DIBSectionClipboard, AsBitmapPutsTheImageOnTheClipboard) {
  const QImage picture = sixColours(QImage::Format_RGB32);
  cDIBSection dib;
  dib.CreateFromPicture(picture);
  std::vector<std::string> messages;
  ASSERT_TRUE(dib.CopyToClipboard(false, [&](const std::string &text) { messages.push_back(text); }));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), picture);
}

TEST(DIBSectionClipboard, EmptyObjectPutsNothingThere) {
  cDIBSection dib;
  EXPECT_FALSE(dib.CopyToClipboard(false, [](const std::string &) {}));
}

TEST(DIBSectionRandom, GrayFillsAllThreeBytesAlikeAndLeavesPaddingAlone) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(33, 31));  // 99 bytes of pixels, 1 of padding per scan line
  dib.RandomiseBits(true);
  int nonZero = 0;
  for (int row = 0; row < 31; ++row) {
    for (int x = 0; x < 33; ++x) {
      const std::vector<int> p = pixelBytes(dib, x, row);
      EXPECT_EQ(p[0], p[1]);
      EXPECT_EQ(p[1], p[2]);
      nonZero += p[0] != 0;
    }
    EXPECT_EQ(dib.DIBSectionBitsPtr()[row * 100 + 99], 0);
  }
  EXPECT_GT(nonZero, 900);
}

TEST(DIBSectionRandom, ColourLeavesBlueAtZeroAndFillsGreenAndRed) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(33, 31));
  dib.RandomiseBits(false);
  int distinct = 0;
  for (int row = 0; row < 31; ++row) {
    for (int x = 0; x < 33; ++x) {
      const std::vector<int> p = pixelBytes(dib, x, row);
      EXPECT_EQ(p[0], 0);
      distinct += p[1] != p[2];
    }
    EXPECT_EQ(dib.DIBSectionBitsPtr()[row * 100 + 99], 0);
  }
  EXPECT_GT(distinct, 900);
}

TEST(DIBSectionRandom, EmptyObjectIsLeftAlone) {
  cDIBSection dib;
  dib.RandomiseBits(true);
  EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
}

TEST(DIBSectionResample, SameSizeIsAnExactCopy) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(37, 23));
  dib.RandomiseBits(false);
  const std::optional<cDIBSection> copy = dib.Resample(23, 37);
  ASSERT_TRUE(copy.has_value());
  EXPECT_NE(copy->DIBSectionBitsPtr(), dib.DIBSectionBitsPtr());
  EXPECT_EQ(allBytes(*copy), allBytes(dib));
}

TEST(DIBSectionResample, OtherSizeKeepsTheBottomLeftPixelAndTakesHeightFirst) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(40, 30));
  dib.RandomiseBits(false);
  const std::optional<cDIBSection> smaller = dib.Resample(7, 11);
  ASSERT_TRUE(smaller.has_value());
  EXPECT_EQ(smaller->Width(), 11);
  EXPECT_EQ(smaller->Height(), 7);
  EXPECT_TRUE(std::equal(dib.DIBSectionBitsPtr(), dib.DIBSectionBitsPtr() + 3, smaller->DIBSectionBitsPtr()));
}

struct HalfCase {
  int left;
  int right;
  int expected;
};

class ResampleRoundingTest : public ::testing::TestWithParam<HalfCase> {};

// From 2 x 2 to 2 x 3 the second target column samples halfway between the
// two source columns on the bottom scan line.
TEST_P(ResampleRoundingTest, HalvesGoToTheEvenNeighbour) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  const auto value = [](int v) { return QColor(v, v, v); };
  setDibPixel(dib, 0, 1, value(GetParam().left));
  setDibPixel(dib, 1, 1, value(GetParam().right));
  const std::optional<cDIBSection> target = dib.Resample(3, 2);
  ASSERT_TRUE(target.has_value());
  const unsigned char *bottom = target->DIBSectionBitsPtr();
  EXPECT_EQ(bottom[3], GetParam().expected);
  EXPECT_EQ(bottom[5], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(DIBSectionResample, ResampleRoundingTest,
                         ::testing::Values(HalfCase{0, 1, 0}, HalfCase{1, 2, 2}, HalfCase{2, 3, 2}, HalfCase{3, 4, 4},
                                           HalfCase{10, 20, 15}, HalfCase{254, 255, 254}, HalfCase{255, 0, 128}));

TEST(DIBSectionResample, WeightsFollowScanLinesInMemoryOrder) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(2, 2));
  // Memory scan line 0 (bottom) is black; scan line 1 (top) runs 90 to 180.
  setDibPixel(dib, 0, 0, QColor(90, 90, 90));
  setDibPixel(dib, 1, 0, QColor(180, 180, 180));
  const std::optional<cDIBSection> target = dib.Resample(3, 3);
  ASSERT_TRUE(target.has_value());
  const unsigned char *bits = target->DIBSectionBitsPtr();
  const int line = target->BytesPerScanLine();
  EXPECT_EQ(bits[0], 0);
  // Scan line 1, column 1: a third of the way up and across: 30 and 60, then 40.
  EXPECT_EQ(bits[line + 3], 40);
  // Scan line 2, column 2: two thirds: 60 and 120, then 100.
  EXPECT_EQ(bits[2 * line + 6], 100);
}

TEST(DIBSectionResample, OnePixelWideSourceStaysInsideItsBuffer) {
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(1, 3));
  setDibPixel(dib, 0, 0, QColor(9, 9, 9));
  setDibPixel(dib, 0, 1, QColor(9, 9, 9));
  setDibPixel(dib, 0, 2, QColor(9, 9, 9));
  const std::optional<cDIBSection> target = dib.Resample(5, 4);
  ASSERT_TRUE(target.has_value());
  for (int row = 0; row < 5; ++row) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelBytes(*target, x, row), (std::vector<int>{9, 9, 9}));
  }
}

TEST(DIBSectionResample, EmptySourceOrRefusedSizeGivesNoObject) {
  cDIBSection empty;
  EXPECT_FALSE(empty.Resample(4, 4).has_value());
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(4, 4));
  EXPECT_FALSE(dib.Resample(0, 4).has_value());
  EXPECT_FALSE(dib.Resample(4, -2).has_value());
}

}  // namespace
}  // namespace vesk
