#include "export/cDIBSection.h"
#include "export/mIntelJPEGLibrary.h"
#include "tests/export/ExportTestHelpers.h"
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

struct stat statOf(const fs::path &path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info;
}

class JpegRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(JpegRoundTrip, ComesOutUprightInTrueColoursAtItsSize) {
  const int width = GetParam();
  TempDir dir;
  const fs::path file = dir.path() / "round.jpg";
  const cDIBSection dib = markedPicture(width, 301);
  ASSERT_TRUE(WriteJpegFile(dib, file.string(), 90));

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
  ASSERT_TRUE(WriteJpegFile(markedPicture(64, 48), file.string(), GetParam()));
  EXPECT_EQ(test::commandOutput("identify -format %Q " + test::quoted(file)), std::to_string(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(JpegWriter, JpegQuality, ::testing::Values(90, 50, 100));

TEST(JpegWriter, ReplacedFileKeepsItsModeAndTimes) {
  TempDir dir;
  const fs::path file = dir.path() / "old.jpg";
  writeFile(file, "an earlier file");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const struct timespec yearAgo[2] = {{1700000000, 123456789}, {1700000100, 987654321}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), yearAgo, 0), 0);

  ASSERT_TRUE(WriteJpegFile(markedPicture(40, 30), file.string(), 90));
  const struct stat after = statOf(file);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_atim.tv_sec, yearAgo[0].tv_sec);
  EXPECT_EQ(after.st_atim.tv_nsec, yearAgo[0].tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, yearAgo[1].tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, yearAgo[1].tv_nsec);
  EXPECT_EQ(decodeJpeg(file).size(), QSize(40, 30));
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"old.jpg"});
}

TEST(JpegWriter, NewFileGetsTheModeTheUmaskGives) {
  TempDir dir;
  const fs::path file = dir.path() / "new.jpg";
  const mode_t previous = ::umask(027);
  const bool written = WriteJpegFile(markedPicture(8, 8), file.string(), 90);
  ::umask(previous);
  ASSERT_TRUE(written);
  EXPECT_EQ(statOf(file).st_mode & 07777, 0640u);

  const fs::path other = dir.path() / "other.jpg";
  const mode_t saved = ::umask(022);
  ASSERT_TRUE(WriteJpegFile(markedPicture(8, 8), other.string(), 90));
  ::umask(saved);
  EXPECT_EQ(statOf(other).st_mode & 07777, 0644u);
}

TEST(JpegWriter, WritesThroughASymbolicLink) {
  TempDir dir;
  const fs::path target = dir.path() / "target.jpg";
  const fs::path link = dir.path() / "link.jpg";
  writeFile(target, "earlier");
  fs::create_symlink(target, link);
  ASSERT_TRUE(WriteJpegFile(markedPicture(16, 16), link.string(), 90));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(decodeJpeg(target).size(), QSize(16, 16));
}

TEST(JpegWriter, AcceptsAnyNameAUserCanType) {
  TempDir dir;
  const std::string name =
      "gr\xC3\xA1"
      "fico \xE2\x82\xAC 'q' $x.jpg";
  ASSERT_TRUE(WriteJpegFile(markedPicture(16, 16), (dir.path() / name).string(), 90));
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{name});
}

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

struct FailingTarget {
  const char *name;
  const char *target;  // within the test folder
  int code;            // the errno that ends the description
};

class FailingWrite : public ::testing::TestWithParam<FailingTarget> {};

TEST_P(FailingWrite, ReportsTheCodeAndLeavesTheFolderAsItWas) {
  TempDir dir;
  writeFile(dir.path() / "plain.txt", "a regular file");
  fs::create_directory(dir.path() / "folder.jpg");
  writeFile(dir.path() / "folder.jpg" / "inside", "kept");
  const std::vector<std::string> before = folderEntries(dir.path());

  const fs::path target = dir.path() / GetParam().target;
  try {
    WriteJpegFile(markedPicture(16, 16), target.string(), 90);
    FAIL() << "the write succeeded";
  } catch (const JpegError &error) {
    EXPECT_EQ(error.number(), 26001);
    EXPECT_EQ(error.description(), "Failed to save to JPG " + std::to_string(GetParam().code));
    EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
  }
  EXPECT_EQ(folderEntries(dir.path()), before);
  EXPECT_EQ(readFile(dir.path() / "folder.jpg" / "inside"), "kept");
}

INSTANTIATE_TEST_SUITE_P(JpegWriter, FailingWrite,
                         ::testing::Values(FailingTarget{"MissingFolder", "missing/x.jpg", ENOENT},
                                           FailingTarget{"ThroughARegularFile", "plain.txt/x.jpg", ENOTDIR},
                                           FailingTarget{"DirectoryInThePlace", "folder.jpg", EISDIR},
                                           FailingTarget{"EmptyName", "", EISDIR}),
                         [](const auto &info) { return std::string(info.param.name); });

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

TEST(JpegWriter, WriteCutShortKeepsTheEarlierFileAndLeavesNoTemporary) {
  TempDir dir;
  const fs::path file = dir.path() / "keep.jpg";
  writeFile(file, "the earlier picture");

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 100;
  auto *previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string description;
  std::string message;
  try {
    WriteJpegFile(markedPicture(200, 200), file.string(), 90);
  } catch (const JpegError &error) {
    description = error.description();
    message = error.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(description, "Failed to save to JPG " + std::to_string(EFBIG));
  EXPECT_NE(message.find(file.string()), std::string::npos) << message;
  EXPECT_EQ(readFile(file), "the earlier picture");
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"keep.jpg"});
}

TEST(JpegWriter, ReadOnlyEarlierFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
  TempDir dir;
  const fs::path file = dir.path() / "locked.jpg";
  writeFile(file, "locked");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_THROW(WriteJpegFile(markedPicture(16, 16), file.string(), 90), JpegError);
  EXPECT_EQ(readFile(file), "locked");
}

}  // namespace
}  // namespace vesk
