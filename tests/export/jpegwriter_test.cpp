#include "export/cDIBSection.h"
#include "export/mIntelJPEGLibrary.h"
#include "tests/support/ExportTestHelpers.h"
#include "tests/support/FakeMainForm.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::colourNear;
using test::decodeJpeg;
using test::fillDibRect;
using test::folderEntries;
using test::readFile;
using test::TempDir;
using test::writeFile;

// White, with a red mark at the top-left corner, a blue one at the
// bottom-right and a black line across the middle.
cDIBSection markedPicture(int width, int height) {
  cDIBSection dib;
  EXPECT_TRUE(dib.Create(width, height));
  fillDibRect(dib, 0, 0, width, height, Qt::white);
  fillDibRect(dib, 0, 0, 24, 16, QColor(255, 0, 0));
  fillDibRect(dib, width - 24, height - 16, 24, 16, QColor(0, 0, 255));
  fillDibRect(dib, 0, height / 2, width, 2, Qt::black);
  return dib;
}

class JpegRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(JpegRoundTrip, ComesOutUprightInTrueColoursAtItsSize) {
  const int width = GetParam();
  TempDir dir;
  const fs::path file = dir.path() / "round.jpg";
  const cDIBSection dib = markedPicture(width, 301);
  ASSERT_NO_THROW(WriteJpegFile(dib, file.string(), 90));

  const QImage decoded = decodeJpeg(file);
  ASSERT_FALSE(decoded.isNull());
  EXPECT_EQ(decoded.size(), QSize(width, 301));
  EXPECT_TRUE(colourNear(decoded.pixelColor(4, 4), QColor(255, 0, 0)));
  EXPECT_TRUE(colourNear(decoded.pixelColor(width - 5, 296), QColor(0, 0, 255)));
  EXPECT_TRUE(colourNear(decoded.pixelColor(width - 5, 4), Qt::white));
  EXPECT_TRUE(colourNear(decoded.pixelColor(width / 2, 151), Qt::black));
  EXPECT_TRUE(colourNear(decoded.pixelColor(width / 2, 140), Qt::white));
}

// Padding of 0, 3, 2 and 1 bytes per scan line.
INSTANTIATE_TEST_SUITE_P(JpegWriter, JpegRoundTrip, ::testing::Values(500, 501, 502, 503));

class JpegQuality : public ::testing::TestWithParam<int> {};

TEST_P(JpegQuality, IsTheOneAskedFor) {
  TempDir dir;
  const fs::path file = dir.path() / "q.jpg";
  ASSERT_NO_THROW(WriteJpegFile(markedPicture(64, 48), file.string(), GetParam()));
  EXPECT_EQ(test::commandOutput("identify -format %Q " + test::quoted(file)), std::to_string(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(JpegWriter, JpegQuality, ::testing::Values(90, 50, 100));

TEST(JpegWriter, EmptyBufferIsRefusedWithoutWritingAFile) {
  TempDir dir;
  const fs::path file = dir.path() / "empty.jpg";
  cDIBSection dib;
  ASSERT_TRUE(dib.Create(30, 20));
  dib.ClearUp();  // Width and Height still report 30 x 20
  try {
    WriteJpegFile(dib, file.string(), 90);
    FAIL() << "an empty buffer was accepted";
  } catch (const JpegError &error) {
    EXPECT_EQ(error.number(), 26001);
    EXPECT_EQ(error.source(), "vesk.mIntelJPEGLibrary");
    EXPECT_EQ(error.description(), "Failed to save to JPG -1");
    EXPECT_NE(std::string(error.what()).find("empty"), std::string::npos) << error.what();
  }
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(JpegWriter, FileErrorCarriesItsCodeAndReason) {
  TempDir dir;
  const fs::path target = dir.path() / "missing" / "x.jpg";
  try {
    WriteJpegFile(markedPicture(16, 16), target.string(), 90);
    FAIL() << "the write succeeded";
  } catch (const JpegError &error) {
    EXPECT_EQ(error.number(), 26001);
    EXPECT_EQ(error.description(), "Failed to save to JPG " + std::to_string(ENOENT));
    EXPECT_EQ(error.reason(), "No such file or directory");
    EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
  }
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(JpegWriter, EmptyNameIsAMissingFile) {
  try {
    WriteJpegFile(markedPicture(16, 16), "", 90);
    FAIL() << "an empty name was accepted";
  } catch (const JpegError &error) {
    EXPECT_EQ(error.description(), "Failed to save to JPG " + std::to_string(ENOENT));
  }
}

TEST(JpegWriter, EncoderFailureKeepsTheEarlierFile) {
  TempDir dir;
  const fs::path file = dir.path() / "keep.jpg";
  writeFile(file, "the earlier picture");
  EXPECT_THROW(WriteJpegFile(markedPicture(16, 16), file.string(), 101), JpegError);
  EXPECT_EQ(readFile(file), "the earlier picture");
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"keep.jpg"});
}

}  // namespace
}  // namespace vesk
