#include "files/SafeReplace.h"
#include "files/PdfCheck.h"
#include "tests/support/ExportTestHelpers.h"
#include "tests/support/FakeMainForm.h"

#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::folderEntries;
using test::readFile;
using test::TempDir;
using test::writeFile;

struct stat statOf(const fs::path &path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info;
}

// Save as JPEG's way: the earlier file's times stay.
TEST(SafeReplace, ReplacedFileKeepsItsModeAndTimesWhenAsked) {
  TempDir dir;
  const fs::path file = dir.path() / "old.jpg";
  writeFile(file, "an earlier file");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const struct timespec yearAgo[2] = {{1700000000, 123456789}, {1700000100, 987654321}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), yearAgo, 0), 0);

  ASSERT_NO_THROW(replaceFile(file.string(), "the new content", FileTimes::kept));
  const struct stat after = statOf(file);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_atim.tv_sec, yearAgo[0].tv_sec);
  EXPECT_EQ(after.st_atim.tv_nsec, yearAgo[0].tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, yearAgo[1].tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, yearAgo[1].tv_nsec);
  EXPECT_EQ(readFile(file), "the new content");
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"old.jpg"});
}

// Everything else Vesk writes is new to build tools: make, rsync.
TEST(SafeReplace, ReplacedFileGetsTheTimeOfWritingAndKeepsItsMode) {
  TempDir dir;
  const fs::path file = dir.path() / "fig.png";
  writeFile(file, "an earlier file");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const struct timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), longAgo, 0), 0);
  const std::time_t before = std::time(nullptr);
  ASSERT_NO_THROW(replaceFile(file.string(), "the new content"));
  const struct stat after = statOf(file);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_GE(after.st_mtim.tv_sec, before - 1);
  EXPECT_GE(after.st_atim.tv_sec, before - 1);
}

// A rename that fails (here the target became a folder meanwhile) is a failed
// write, and the temporary file goes.
TEST(SafeReplace, AFailedRenameIsReportedAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path target = dir.path() / "out.svg";
  SafeReplace file(target.string());
  file.write("content");
  fs::create_directory(target);
  writeFile(target / "inside", "kept");
  try {
    file.commit();
    ADD_FAILURE() << "the commit reported success";
  } catch (const FileWriteError &error) {
    EXPECT_NE(error.error(), 0);
    EXPECT_EQ(error.fileName(), target.string());
  }
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(readFile(target / "inside"), "kept");
}

class EndingSignal : public ::testing::TestWithParam<int> {};

// Ctrl-C, kill and a closed terminal remove the temporary file being written,
// then end the program as the signal does.
TEST_P(EndingSignal, RemovesTheTemporaryFileAndEndsTheProgramByTheSignal) {
  TempDir dir;
  const fs::path target = dir.path() / "out.png";
  writeFile(target, "earlier");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    {
      SafeReplace file(target.string());
      file.write("half a picture");
      ::raise(GetParam());
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status)) << status;
  if (WIFSIGNALED(status)) {
    EXPECT_EQ(WTERMSIG(status), GetParam());
  }
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.png"});
  EXPECT_EQ(readFile(target), "earlier");
}

INSTANTIATE_TEST_SUITE_P(SafeReplace, EndingSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

TEST(SafeReplace, NewFileGetsTheModeTheUmaskGives) {
  TempDir dir;
  for (const auto &[mask, mode] : {std::pair{mode_t(027), 0640u}, std::pair{mode_t(022), 0644u}}) {
    const fs::path file = dir.path() / ("new" + std::to_string(mask));
    const mode_t previous = ::umask(mask);
    EXPECT_NO_THROW(replaceFile(file.string(), "x"));
    ::umask(previous);
    EXPECT_EQ(statOf(file).st_mode & 07777, mode);
  }
}

TEST(SafeReplace, WritesThroughASymbolicLink) {
  TempDir dir;
  const fs::path target = dir.path() / "target.jpg";
  const fs::path link = dir.path() / "link.jpg";
  writeFile(target, "earlier");
  fs::create_symlink(target, link);
  ASSERT_NO_THROW(replaceFile(link.string(), "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), "new");
}

TEST(SafeReplace, AcceptsAnyNameAUserCanType) {
  TempDir dir;
  const std::string name =
      "gr\xC3\xA1"
      "fico \xE2\x82\xAC 'q' $x.jpg";
  ASSERT_NO_THROW(replaceFile((dir.path() / name).string(), "x"));
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{name});
}

struct FailingTarget {
  const char *name;
  const char *target;  // within the test folder
  int code;
};

class FailingReplace : public ::testing::TestWithParam<FailingTarget> {};

TEST_P(FailingReplace, ReportsTheReasonAndLeavesTheFolderAsItWas) {
  TempDir dir;
  writeFile(dir.path() / "plain.txt", "a regular file");
  fs::create_directory(dir.path() / "folder.jpg");
  writeFile(dir.path() / "folder.jpg" / "inside", "kept");
  const std::vector<std::string> before = folderEntries(dir.path());

  const fs::path target = dir.path() / GetParam().target;
  try {
    replaceFile(target.string(), "x");
    FAIL() << "the write succeeded";
  } catch (const FileWriteError &error) {
    EXPECT_EQ(error.error(), GetParam().code);
    EXPECT_EQ(error.reason(), std::strerror(GetParam().code));
    EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
  }
  EXPECT_EQ(folderEntries(dir.path()), before);
  EXPECT_EQ(readFile(dir.path() / "folder.jpg" / "inside"), "kept");
}

INSTANTIATE_TEST_SUITE_P(SafeReplace, FailingReplace,
                         ::testing::Values(FailingTarget{"MissingFolder", "missing/x.jpg", ENOENT},
                                           FailingTarget{"ThroughARegularFile", "plain.txt/x.jpg", ENOTDIR},
                                           FailingTarget{"DirectoryInThePlace", "folder.jpg", EISDIR},
                                           FailingTarget{"EmptyName", "", EISDIR}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(SafeReplace, WriteCutShortKeepsTheEarlierFileAndLeavesNoTemporary) {
  TempDir dir;
  const fs::path file = dir.path() / "keep.jpg";
  writeFile(file, "the earlier picture");
  int code = 0;
  std::string reason;
  {
    FileSizeLimit limit(100);
    try {
      replaceFile(file.string(), std::string(5000, 'x'));
    } catch (const FileWriteError &error) {
      code = error.error();
      reason = error.reason();
    }
  }
  EXPECT_EQ(code, EFBIG);
  EXPECT_EQ(reason, std::strerror(EFBIG));
  EXPECT_EQ(readFile(file), "the earlier picture");
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"keep.jpg"});
}

TEST(SafeReplace, ReadOnlyEarlierFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
  TempDir dir;
  const fs::path file = dir.path() / "locked.jpg";
  writeFile(file, "locked");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_THROW(replaceFile(file.string(), "x"), FileWriteError);
  EXPECT_EQ(readFile(file), "locked");
}

// Writers that open a file by name (Qt's PDF writer) write the temporary file;
// only a commit makes it the target.
TEST(SafeReplace, WriterByNameReplacesOnlyOnCommit) {
  TempDir dir;
  const fs::path file = dir.path() / "graph.pdf";
  writeFile(file, "earlier");
  {
    SafeReplace pdf(file.string());
    writeFile(pdf.temporaryName(), "abandoned");
  }
  EXPECT_EQ(readFile(file), "earlier");
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"graph.pdf"});

  SafeReplace pdf(file.string());
  writeFile(pdf.temporaryName(), "finished");
  pdf.commit();
  EXPECT_EQ(readFile(file), "finished");
  EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"graph.pdf"});
}

std::string writtenPdf(const fs::path &file) {
  {
    QPdfWriter writer(QString::fromStdString(file.string()));
    QPainter painter(&writer);
    painter.drawText(100, 100, QStringLiteral("Voltage (V)"));
  }
  return readFile(file);
}

TEST(PdfCheck, AcceptsAWholePdfAndRefusesOneCutShort) {
  TempDir dir;
  const fs::path file = dir.path() / "whole.pdf";
  const std::string whole = writtenPdf(file);
  ASSERT_GT(whole.size(), 200u);
  EXPECT_NO_THROW(checkPdfComplete(file.string()));

  for (const std::size_t keep : {std::size_t(0), std::size_t(10), whole.size() / 2, whole.size() - 20}) {
    writeFile(file, whole.substr(0, keep));
    EXPECT_THROW(checkPdfComplete(file.string()), FileWriteError) << keep;
  }
  // A trailer that survived while a block before it was lost points at the wrong place.
  const std::size_t xref = whole.rfind("\nxref");
  ASSERT_NE(xref, std::string::npos);
  writeFile(file, whole.substr(0, xref - 100) + whole.substr(xref));
  EXPECT_THROW(checkPdfComplete(file.string()), FileWriteError);
}

}  // namespace
}  // namespace vesk
