#include "ui/Main.h"

#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "tests/ui/FakeDialogs.h"
#include "ui/Options.h"
#include "ui/PictureBox.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::FakeDialogs;
using test::LocaleGuard;
using test::readFile;
using test::TempDir;
using test::writeFile;

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// Makes a folder read-only by bind-mounting it onto itself; undone when the guard goes,
// so it must be declared after the TempDir that holds the folder.
class ReadOnlyMount {
public:
  explicit ReadOnlyMount(fs::path folder) : at(std::move(folder)) {
    if (::mount(at.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      why = std::strerror(errno);
      return;
    }
    mounted = true;
    if (::mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      why = std::strerror(errno);
  }
  ~ReadOnlyMount() {
    if (mounted) ::umount2(at.c_str(), MNT_DETACH);
  }
  ReadOnlyMount(const ReadOnlyMount &) = delete;
  ReadOnlyMount &operator=(const ReadOnlyMount &) = delete;

  bool ok() const { return mounted && why.empty(); }
  const std::string &error() const { return why; }

private:
  fs::path at;
  bool mounted = false;
  std::string why;
};

#define SKIP_UNLESS_MOUNTED(guard) \
  if (!(guard).ok()) GTEST_SKIP() << "a read-only bind mount is not available here: " << (guard).error()

bool hasInk(PictureBox *box) {
  const QImage &image = box->surface().image();
  const QColor background = box->surface().background();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) != background) return true;
  return false;
}

std::vector<QAction *> printHiddenEntries(const Main &m) {
  return {m.mnFile->menuAction(), m.mnOpen, m.mnPrint, m.mnExit, m.mnZoom, m.mnReset};
}

// What a failed command must leave as it was.
struct MenuState {
  bool print, save, noLabels, isVesk;
  QString caption;
  bool operator==(const MenuState &) const = default;
};

MenuState menuState(const Main &m) {
  return {m.mnPrint->isEnabled(), m.mnSave->isEnabled(), m.mnNoLabels->isEnabled(), m.isVesk, m.mnNoLabels->text()};
}

struct Window {
  TempDir config;
  FakeDialogs dialogs;
  std::unique_ptr<Main> main;
  explicit Window(const fs::path &settingsFolder = {}) {
    main = std::make_unique<Main>(dialogs,
                                  SettingsFile(settingsFolder.empty() ? config.path() : settingsFolder, "/opt/vesk"));
  }
  Main *operator->() { return main.get(); }
  void open(const std::string &path) {
    dialogs.openAnswer = path;
    main->mnOpen->trigger();
  }
  void openExample() { open(test::sourcePath("examples/vesk.dat").string()); }
};

// How the window stands before a failing Open.
enum class Start { fresh, loaded, loadedWithLabelsHidden };

void prepare(Window &w, Start start) {
  if (start == Start::fresh) return;
  w.openExample();
  ASSERT_TRUE(w.dialogs.messages.empty());
  if (start == Start::loadedWithLabelsHidden) w->mnNoLabels->trigger();
}

// The graph a failed Open must leave as it was.
struct ViewState {
  QImage graph, y, x;
  std::string xTitle;
  std::size_t sets;
  bool operator==(const ViewState &) const = default;
};

ViewState viewState(Window &w) {
  return {w->Picture1->surface().image().copy(), w->Picture2->surface().image().copy(),
          w->Picture3->surface().image().copy(), w->currentVesk ? w->currentVesk->model().xTitle : std::string(),
          w->currentVesk ? w->currentVesk->model().dataSets.size() : 0};
}

// One message box titled "vesk" naming the file and the problem; the graph,
// its surfaces and the menus as they were.
void expectFailedOpen(Window &w, const MenuState &before, const ViewState &shown, const std::string &path,
                      const std::string &problem) {
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  const auto &message = w.dialogs.messages[0];
  EXPECT_EQ(message.title, "vesk");
  EXPECT_EQ(message.owner, w.main.get());
  EXPECT_TRUE(contains(message.text, path)) << message.text;
  EXPECT_TRUE(contains(message.text, problem)) << message.text << "\n  should say: " << problem;
  EXPECT_EQ(menuState(*w.main), before);
  EXPECT_TRUE(viewState(w) == shown);
  for (QAction *entry : printHiddenEntries(*w.main)) EXPECT_TRUE(entry->isVisible());
}

constexpr Start allStarts[] = {Start::fresh, Start::loaded, Start::loadedWithLabelsHidden};

std::string repeat(const std::string &s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct BadText {
  const char *name;
  std::string content;
  std::string problem;  // part of the message
};

const std::string head = "x\r\ny\r\n0 10 -5 5\r\n";
const std::string goodSet = "0 3 0 0\r\n0 0 0\r\n5 4.5 0\r\n10 -2 0\r\n";

const BadText badTexts[] = {
    {"bad number", head + "0 1 0 0\r\n1 4,5 0\r\n", "\"4,5\". Use '.' as the decimal point."},
    {"bad bound", "x\r\ny\r\n0 1O -5 5\r\n0\r\n", "found \"1O\""},
    {"empty file", "", "empty"},
    {"blank line between sets", head + goodSet + "\r\n" + goodSet, "Line 8 is blank; remove it."},
    {"trailing space after a number", "x\r\ny\r\n0 10 -5 5 \r\n0\r\n", "ends with a space"},
    {"tab-separated numbers", "x\r\ny\r\n0\t10\t-5\t5\r\n0\r\n", "tabs"},
    {"402nd data set", head + repeat("0\r\n", 402), "401"},
    {"401 sets and a blank header", head + repeat("0\r\n", 401) + "\r\n0\r\n", "401"},
    {"40,000 bytes, a comment line and no header", head + std::string(40000 - head.size(), '0'),
     "the file ends where the label count"},
    {"34,000 characters of LF line ends", std::string(17000, '\n'), "Line 3 is blank"},
    {"count out of range", head + "3000000000\r\n", "-2147483648 to 2147483647"},
    {"tag out of range", head + "0 1 0 0\r\n1 1 32768\r\n", "-32768 to 32767"},
    {"labels with yMax == yMin", "x\r\ny\r\n0 10 5 5\r\n1\r\n1 5 0 30 Peak\r\n", "no length"},
    {"point count past the end of the data", head + "0 3 0 0\r\n0 0 0\r\n",
     "line 5: the file ends where the x of point 2 in data set 1 was expected. Data set 1 (header on line 4) "
     "declares 3 points and 0 labels; check those numbers."},
    {"short header that is three numbers", head + "0 5 0\r\n", "\"0 5 0\""},
    {"byte above 127 inside a number", head + "0 1 0 0\r\n1\xB5 1 0\r\n", "point 1 in data set 1"},
    {"NUL byte inside a number", head + std::string("0 1 0 0\r\n1\0 1 0\r\n", 17), "\\x00"},
};

TEST(OpenFaults, EveryBadDataTextShowsOneMessageNamingTheFileAndTheProblem) {
  TempDir dir;
  for (const BadText &bad : badTexts) {
    // A name with blanks and quotes, as users give them.
    const fs::path file = dir.path() / (std::string("it's a \"") + bad.name + "\".dat");
    writeFile(file, bad.content);
    for (Start start : allStarts) {
      SCOPED_TRACE(std::string(bad.name) + ", start " + std::to_string(int(start)));
      Window w;
      prepare(w, start);
      const MenuState before = menuState(*w.main);
      const ViewState shown = viewState(w);
      w.dialogs.messages.clear();
      w.open(file.string());
      expectFailedOpen(w, before, shown, file.string(), bad.problem);
    }
  }
}

struct BadFile {
  const char *name;
  std::function<fs::path(const fs::path &dir)> make;
  std::string problem;
};

const BadFile badFiles[] = {
    {"missing file", [](const fs::path &d) { return d / "missing.dat"; }, std::strerror(ENOENT)},
    {"path through a regular file",
     [](const fs::path &d) {
       writeFile(d / "plain", "x");
       return d / "plain" / "vesk.dat";
     },
     std::strerror(ENOTDIR)},
    {"directory chosen as a file",
     [](const fs::path &d) {
       fs::create_directory(d / "folder.dat");
       return d / "folder.dat";
     },
     std::strerror(EISDIR)},
    {"FIFO",
     [](const fs::path &d) {
       const fs::path fifo = d / "fifo.dat";
       ::mkfifo(fifo.c_str(), 0600);
       return fifo;
     },
     "not a regular file"},
    {"dangling symbolic link",
     [](const fs::path &d) {
       fs::create_symlink(d / "nowhere.dat", d / "link.dat");
       return d / "link.dat";
     },
     std::strerror(ENOENT)},
};

// Opens a FIFO for a moment every few seconds, so that a reader stuck opening
// it comes free and the test fails instead of hanging.
class FifoUnblocker {
public:
  explicit FifoUnblocker(fs::path fifo)
      : thread([this, fifo = std::move(fifo)] {
          std::unique_lock lock(mutex);
          while (!wake.wait_for(lock, std::chrono::seconds(5), [this] { return done; })) {
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
          }
        }) {}
  ~FifoUnblocker() {
    {
      std::lock_guard lock(mutex);
      done = true;
    }
    wake.notify_one();
    thread.join();
  }

private:
  std::mutex mutex;
  std::condition_variable wake;
  bool done = false;
  std::thread thread;
};

TEST(OpenFaults, EveryUnreadableFileShowsOneMessageAndLeavesTheMenusAsBefore) {
  for (const BadFile &bad : badFiles) {
    for (Start start : allStarts) {
      SCOPED_TRACE(std::string(bad.name) + ", start " + std::to_string(int(start)));
      TempDir dir;
      const fs::path file = bad.make(dir.path());
      Window w;
      prepare(w, start);
      const MenuState before = menuState(*w.main);
      const ViewState shown = viewState(w);
      w.dialogs.messages.clear();
      const auto began = std::chrono::steady_clock::now();
      {
        FifoUnblocker unblocker(file);
        w.open(file.string());
      }
      EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(4)) << "the read waited";
      expectFailedOpen(w, before, shown, file.string(), bad.problem);
    }
  }
}

TEST(OpenFaults, AFileDeletedBetweenTheDialogAndTheReadIsReported) {
  for (Start start : allStarts) {
    SCOPED_TRACE(int(start));
    TempDir dir;
    const fs::path file = dir.path() / "vesk.dat";
    writeFile(file, head + goodSet);
    Window w;
    prepare(w, start);
    const MenuState before = menuState(*w.main);
    const ViewState shown = viewState(w);
    w.dialogs.messages.clear();
    w.dialogs.openHook = [](const std::string &answer) { fs::remove(answer); };
    w.open(file.string());
    expectFailedOpen(w, before, shown, file.string(), std::strerror(ENOENT));
  }
}

TEST(OpenFaults, AGoodFileOpensNormallyAfterEveryKindOfFailure) {
  TempDir dir;
  Window w;
  for (const BadText &bad : badTexts) {
    SCOPED_TRACE(bad.name);
    const fs::path file = dir.path() / "bad.dat";
    writeFile(file, bad.content);
    w.open(file.string());
    w.openExample();
    EXPECT_TRUE(hasInk(w->Picture1));
    EXPECT_EQ(w->currentVesk->model().xTitle, "Time (s)");
  }
  EXPECT_EQ(w.dialogs.messages.size(), std::size(badTexts));
}

// Settings.

const std::string programFolder = "/opt/vesk";

struct UnusableSettings {
  const char *name;
  // Prepares dir and gives the folder in which the window looks for its settings.
  std::function<fs::path(const fs::path &dir)> make;
  fs::path kept;  // relative to dir: must be there, unchanged, after everything
  std::string problem;
};

const UnusableSettings unusableSettings[] = {
    {"a folder in place of the file",
     [](const fs::path &d) {
       fs::create_directory(d / "dorvesk.ini");
       writeFile(d / "dorvesk.ini" / "inside", "kept");
       return d;
     },
     "dorvesk.ini/inside", "folder"},
    {"a FIFO in place of the file",
     [](const fs::path &d) {
       ::mkfifo((d / "dorvesk.ini").c_str(), 0600);
       return d;
     },
     {},
     "not a regular file"},
    {"its folder is a path through a regular file",
     [](const fs::path &d) {
       writeFile(d / "plain", "kept");
       return d / "plain" / "config";
     },
     "plain", std::strerror(ENOTDIR)},
};

void clickOk(Main &m, const std::string &folder, const std::string &size) {
  m.mnOptions->trigger();
  Options *options = m.optionsDialog();
  ASSERT_NE(options, nullptr);
  options->Text1->setText(QString::fromStdString(folder));
  options->Combo1->setEditText(QString::fromStdString(size));
  options->cmdOK->click();
}

void expectDefaultsAndAFailedWrite(Window &w, const fs::path &settingsFolder, const std::string &problem) {
  EXPECT_EQ(w->DefaultDirectory, programFolder);
  EXPECT_DOUBLE_EQ(w->DefaultFontSize, 9.0);
  EXPECT_TRUE(w.dialogs.messages.empty()) << "start-up shows nothing";

  clickOk(*w.main, "/srv/graphs", "12");
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  const auto &message = w.dialogs.messages[0];
  EXPECT_EQ(message.title, "vesk");
  EXPECT_TRUE(contains(message.text, (settingsFolder / "dorvesk.ini").string())) << message.text;
  EXPECT_TRUE(contains(message.text, problem)) << message.text << "\n  should say: " << problem;
  // The run goes on with what it had; the dialog stays up to be corrected or cancelled.
  EXPECT_EQ(w->DefaultDirectory, programFolder);
  EXPECT_DOUBLE_EQ(w->DefaultFontSize, 9.0);
  EXPECT_TRUE(w->optionsDialog()->isVisible());

  // An Open still starts, in the program's folder (the home folder where that does not exist).
  w.open("");
  ASSERT_FALSE(w.dialogs.openCalls.empty());
  EXPECT_EQ(w.dialogs.openCalls.back().initDir,
            fs::is_directory(programFolder) ? programFolder : QDir::homePath().toStdString());
}

TEST(SettingsFaults, AnUnusableSettingsFileGivesTheDefaultsAndOkReportsTheFailedWrite) {
  for (const UnusableSettings &bad : unusableSettings) {
    SCOPED_TRACE(bad.name);
    TempDir dir;
    const fs::path folder = bad.make(dir.path());
    const auto began = std::chrono::steady_clock::now();
    {
      FifoUnblocker unblocker(folder / "dorvesk.ini");
      Window w(folder);
      expectDefaultsAndAFailedWrite(w, folder, bad.problem);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(4)) << "a read or write waited";
    if (!bad.kept.empty()) {
      EXPECT_EQ(readFile(dir.path() / bad.kept), "kept");
    }
  }
}

TEST(SettingsFaults, ASettingsFileOnAReadOnlyMountGivesTheDefaultsAndIsKept) {
  TempDir dir;
  const std::string content = "; written by hand\r\n[Other]\r\nkey=value\r\n";
  writeFile(dir.path() / "dorvesk.ini", content);
  ReadOnlyMount readOnly(dir.path());
  SKIP_UNLESS_MOUNTED(readOnly);
  Window w(dir.path());
  // The file itself reads fine; it is its replacement that cannot be written.
  expectDefaultsAndAFailedWrite(w, dir.path(), "Read-only file system");
  EXPECT_EQ(readFile(dir.path() / "dorvesk.ini"), content);
}

struct GarbageSettings {
  const char *name;
  std::string content;
  std::string directory;  // read at start
  bool keptWhole;         // the old text stays, in front of the section that OK adds
};

const GarbageSettings garbageSettings[] = {
    {"binary bytes", std::string("\x00\xFF\xFE\x01\x80garbage\x7F\r\x1B[", 14), programFolder, true},
    {"binary bytes with line ends", std::string("\x00\xFF\n\xFE=\x80\n", 7), programFolder, true},
    {"no section", "Default Directory=/elsewhere\nDefault Font Size=12\n", programFolder, true},
    {"size abc", "[Options]\nDefault Directory=/data\nDefault Font Size=abc\n", "/data", false},
    {"size 1e999", "[Options]\r\nDefault Directory=/data\r\nDefault Font Size=1e999\r\n", "/data", false},
    {"size -1e999", "[Options]\nDefault Directory=/data\nDefault Font Size=-1e999\n", "/data", false},
    {"size nan", "[Options]\nDefault Directory=/data\nDefault Font Size=nan\n", "/data", false},
    {"size 0", "[Options]\nDefault Directory=/data\nDefault Font Size=0\n", "/data", false},
};

TEST(SettingsFaults, GarbageInTheSettingsFileGivesTheDefaultsAndOkKeepsTheRest) {
  for (const GarbageSettings &bad : garbageSettings) {
    SCOPED_TRACE(bad.name);
    TempDir dir;
    const fs::path ini = dir.path() / "dorvesk.ini";
    writeFile(ini, bad.content);
    Window w(dir.path());
    EXPECT_EQ(w->DefaultDirectory, bad.directory);
    EXPECT_DOUBLE_EQ(w->DefaultFontSize, 9.0);

    clickOk(*w.main, "/srv/graphs", "12.5");
    for (const auto &message : w.dialogs.messages) ADD_FAILURE() << message.text;
    EXPECT_EQ(w->DefaultDirectory, "/srv/graphs");
    EXPECT_DOUBLE_EQ(w->DefaultFontSize, 12.5);
    const SettingsFile reread(dir.path(), "/elsewhere");
    EXPECT_EQ(reread.readDefaultDirectory(), "/srv/graphs");
    EXPECT_DOUBLE_EQ(reread.readDefaultFontSize(), 12.5);
    if (bad.keptWhole) {
      EXPECT_TRUE(readFile(ini).starts_with(bad.content));
    }
  }
}

TEST(SettingsFaults, ASettingsFileThatIsALinkIsWrittenThroughTheLink) {
  TempDir dir;
  fs::create_directory(dir.path() / "dotfiles");
  const fs::path target = dir.path() / "dotfiles" / "dorvesk.ini";
  writeFile(target, "[Options]\nDefault Directory=/data\nDefault Font Size=11\n");
  fs::create_symlink(target, dir.path() / "dorvesk.ini");
  Window w(dir.path());
  EXPECT_EQ(w->DefaultDirectory, "/data");
  clickOk(*w.main, "/srv/graphs", "12.5");
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_TRUE(fs::is_symlink(dir.path() / "dorvesk.ini"));
  EXPECT_EQ(readFile(target), "[Options]\nDefault Directory=/srv/graphs\nDefault Font Size=12.5\n");
}

// JPEG.

const std::string earlierJpeg = "\xFF\xD8 an earlier picture \xFF\xD9";

struct Snapshot {
  MenuState menus;
  QImage p1, p2, p3;
  std::string xTitle;
};

Snapshot snapshot(Main &m) {
  return {menuState(m), m.Picture1->surface().image().copy(), m.Picture2->surface().image().copy(),
          m.Picture3->surface().image().copy(), m.currentVesk ? m.currentVesk->model().xTitle : ""};
}

void expectUnchanged(Main &m, const Snapshot &before) {
  const Snapshot after = snapshot(m);
  EXPECT_EQ(after.menus, before.menus);
  EXPECT_TRUE(after.p1 == before.p1);
  EXPECT_TRUE(after.p2 == before.p2);
  EXPECT_TRUE(after.p3 == before.p3);
  EXPECT_EQ(after.xTitle, before.xTitle);
}

// Saves to target and expects the warning, the window unchanged and no leftovers in folder.
void expectFailedSave(Window &w, const fs::path &target, const fs::path &folder) {
  const Snapshot before = snapshot(*w.main);
  w.dialogs.messages.clear();
  w.dialogs.saveAnswer = SaveFileAnswer{target.string(), 1};
  w->mnSave->trigger();
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  const auto &message = w.dialogs.messages[0];
  EXPECT_TRUE(message.fromWarningBox);
  EXPECT_EQ(message.icon, Dialogs::Icon::Warning);
  EXPECT_EQ(message.title, "vesk");
  EXPECT_EQ(message.text, "Failed to save the picture to the file: '" + target.string() + "'");
  expectUnchanged(*w.main, before);
  std::error_code ec;
  for (const auto &entry : fs::directory_iterator(folder, ec))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".vesk-")) << "left behind " << entry.path();
}

struct BadTarget {
  const char *name;
  std::function<fs::path(const fs::path &dir)> make;
  fs::path earlier;  // relative to dir; empty when there is none
};

const BadTarget badTargets[] = {
    {"folder that is gone",
     [](const fs::path &d) {
       fs::create_directory(d / "gone");
       fs::remove(d / "gone");
       return d / "gone" / "vesk.jpg";
     },
     {}},
    {"path through a regular file",
     [](const fs::path &d) {
       writeFile(d / "earlier.jpg", earlierJpeg);
       return d / "earlier.jpg" / "vesk.jpg";
     },
     "earlier.jpg"},
    {"a folder of that name",
     [](const fs::path &d) {
       fs::create_directory(d / "vesk.jpg");
       return d / "vesk.jpg";
     },
     {}},
    {"a FIFO of that name",
     [](const fs::path &d) {
       ::mkfifo((d / "vesk.jpg").c_str(), 0600);
       return d / "vesk.jpg";
     },
     {}},
    {"empty name in a folder", [](const fs::path &d) { return d / ""; }, {}},
};

TEST(JpegFaults, AnUnwritableTargetWarnsWithTheNameAndKeepsTheEarlierFileAndTheWindow) {
  for (const BadTarget &bad : badTargets) {
    SCOPED_TRACE(bad.name);
    TempDir dir;
    const fs::path target = bad.make(dir.path());
    Window w;
    w.openExample();
    expectFailedSave(w, target, dir.path());
    if (!bad.earlier.empty()) {
      EXPECT_EQ(readFile(dir.path() / bad.earlier), earlierJpeg);
    }
  }
}

TEST(JpegFaults, AReadOnlyFolderWarnsAndKeepsTheEarlierReadOnlyFile) {
  TempDir dir;
  const fs::path earlier = dir.path() / "vesk.jpg";
  writeFile(earlier, earlierJpeg);
  fs::permissions(earlier, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ReadOnlyMount readOnly(dir.path());
  SKIP_UNLESS_MOUNTED(readOnly);
  Window w;
  w.openExample();
  // Root ignores permission bits; only the read-only mount stops the replacement.
  expectFailedSave(w, earlier, dir.path());
  EXPECT_EQ(readFile(earlier), earlierJpeg);
  expectFailedSave(w, dir.path() / "new.jpg", dir.path());
  EXPECT_FALSE(fs::exists(dir.path() / "new.jpg"));
}

TEST(JpegFaults, ASaveThatWorksAfterAFailedOneWritesAJpeg) {
  TempDir dir;
  Window w;
  w.openExample();
  expectFailedSave(w, dir.path() / "gone" / "vesk.jpg", dir.path());
  w.dialogs.messages.clear();
  w.dialogs.saveAnswer = SaveFileAnswer{(dir.path() / "vesk.jpg").string(), 1};
  w->mnSave->trigger();
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_TRUE(readFile(dir.path() / "vesk.jpg").starts_with("\xFF\xD8"));
}

// Printing.

// What a printer went through, kept after the command has dropped it.
struct PrinterLog {
  int newPages = 0;
  QPrinter::PrinterState finalState = QPrinter::Idle;
  bool destroyed = false;
};

// PDF output whose second page cannot be started, as a printer that fails mid-job.
class FailingPrinter : public QPrinter {
public:
  FailingPrinter(const fs::path &pdf, std::shared_ptr<PrinterLog> log) : QPrinter(HighResolution), log(std::move(log)) {
    setOutputFormat(PdfFormat);
    setOutputFileName(QString::fromStdString(pdf.string()));
  }
  ~FailingPrinter() override {
    log->finalState = printerState();
    log->destroyed = true;
  }
  bool newPage() override {
    ++log->newPages;
    return false;
  }

private:
  std::shared_ptr<PrinterLog> log;
};

void expectNoTemporaryFile(const fs::path &folder) {
  for (const auto &entry : fs::directory_iterator(folder))
    EXPECT_NE(entry.path().filename().string().rfind(".vesk-", 0), 0u) << entry.path();
}

struct PrintWindow : Window {
  int hides = 0;
  PrintWindow() {
    openExample();
    for (QAction *entry : printHiddenEntries(*main))
      QObject::connect(entry, &QAction::visibleChanged, [this, entry] { hides += entry->isVisible() ? 0 : 1; });
  }
  void print(int copies, std::function<void(QPrinter &)> setUp = {}) {
    dialogs.printAnswer = true;
    dialogs.printHook = [=](QPrinter &printer) {
      if (setUp) setUp(printer);
      printer.setCopyCount(copies);
    };
    main->mnPrint->trigger();
  }
  void expectQuietAndAllEntriesShown() { expectAllEntriesShown(0); }
  // A PDF that could not be written is reported once, in a box titled "vesk".
  void expectOneMessageAndAllEntriesShown() {
    expectAllEntriesShown(1);
    if (!dialogs.messages.empty()) {
      EXPECT_EQ(dialogs.messages[0].title, "vesk");
    }
  }
  void expectAllEntriesShown(std::size_t messages) {
    EXPECT_EQ(dialogs.messages.size(), messages);
    for (QAction *entry : printHiddenEntries(*main)) EXPECT_TRUE(entry->isVisible()) << entry->text().toStdString();
    EXPECT_TRUE(main->mnPrint->isEnabled());
  }
};

TEST(PrintFaults, APageThatCannotBeStartedAbortsTheJobWithAMessageAndShowsTheEntriesAgain) {
  for (int copies : {2, 5}) {
    SCOPED_TRACE(copies);
    PrintWindow w;
    const fs::path pdf = w.config.path() / "out.pdf";
    auto log = std::make_shared<PrinterLog>();
    w.dialogs.printerFactory = [&] { return std::make_unique<FailingPrinter>(pdf, log); };
    const Snapshot before = snapshot(*w.main);
    w.print(copies);
    ASSERT_TRUE(log->destroyed);
    EXPECT_EQ(log->newPages, 1) << "no page after the one that failed";
    EXPECT_EQ(w.hides, 6) << "one capture only";
    // Qt's PDF engine refuses abort(), so the state cannot tell; the output must still not be a finished job.
    EXPECT_NE(log->finalState, QPrinter::Error);
    EXPECT_FALSE(fs::exists(pdf)) << "a partial document was handed over";
    expectNoTemporaryFile(w.config.path());
    w.expectOneMessageAndAllEntriesShown();
    expectUnchanged(*w.main, before);
  }
}

TEST(PrintFaults, APrinterThatCannotOpenItsOutputEndsWithAMessage) {
  const std::function<fs::path(const fs::path &)> outputs[] = {
      [](const fs::path &d) { return d / "gone" / "out.pdf"; },
      [](const fs::path &d) {
        writeFile(d / "plain", "kept");
        return d / "plain" / "out.pdf";
      },
      [](const fs::path &d) {
        fs::create_directory(d / "out.pdf");
        return d / "out.pdf";
      },
  };
  for (const auto &make : outputs) {
    PrintWindow w;
    TempDir dir;
    const fs::path pdf = make(dir.path());
    SCOPED_TRACE(pdf);
    const Snapshot before = snapshot(*w.main);
    w.print(2, [&](QPrinter &printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf.string()));
    });
    EXPECT_EQ(w.hides, 0) << "nothing was captured";
    w.expectOneMessageAndAllEntriesShown();
    expectUnchanged(*w.main, before);
  }
}

TEST(PrintFaults, APrinterOnAReadOnlyMountEndsWithAMessage) {
  TempDir dir;
  ReadOnlyMount readOnly(dir.path());
  SKIP_UNLESS_MOUNTED(readOnly);
  PrintWindow w;
  const fs::path pdf = dir.path() / "out.pdf";
  w.print(1, [&](QPrinter &printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
  });
  w.expectOneMessageAndAllEntriesShown();
  EXPECT_FALSE(fs::exists(pdf));
}

// Qt's PDF engine writes on without a word when the disk fills up; the
// earlier PDF of that name survives and the user is told.
TEST(PrintFaults, PrintingToAFullDiskKeepsTheEarlierPdfAndSaysWhy) {
  PrintWindow w;
  TempDir dir;
  const fs::path pdf = dir.path() / "graph.pdf";
  writeFile(pdf, "the earlier print");
  {
    test::FileSizeLimit full(8192);
    w.print(3, [&](QPrinter &printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf.string()));
    });
  }
  EXPECT_EQ(readFile(pdf), "the earlier print");
  expectNoTemporaryFile(dir.path());
  w.expectOneMessageAndAllEntriesShown();
  ASSERT_FALSE(w.dialogs.messages.empty());
  EXPECT_NE(w.dialogs.messages[0].text.find(pdf.string()), std::string::npos) << w.dialogs.messages[0].text;

  // With room again the same print replaces the earlier file.
  w.dialogs.messages.clear();
  w.print(1, [&](QPrinter &printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
  });
  EXPECT_EQ(readFile(pdf).substr(0, 5), "%PDF-");
  expectNoTemporaryFile(dir.path());
  w.expectQuietAndAllEntriesShown();
}

TEST(PrintFaults, ZeroCopiesPrintNothing) {
  PrintWindow w;
  const fs::path pdf = w.config.path() / "zero.pdf";
  w.print(0, [&](QPrinter &printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
  });
  EXPECT_EQ(w.hides, 0);
  EXPECT_FALSE(fs::exists(pdf));
  w.expectQuietAndAllEntriesShown();
}

}  // namespace
}  // namespace vesk
