// The real program exporting without a display, as a script runs it.
#include "tests/support/ExportTestHelpers.h"
#include "tests/support/FakeMainForm.h"
#include "tests/support/Files.h"
#include "view/GraphView.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Result {
  int status = -1;
  QString out, err;
  QStringList errorLines() const { return err.split(u'\n', Qt::SkipEmptyParts); }
};

// Runs vesk as a build job would: no display, no platform chosen, no runtime
// folder (Qt warns without one), and the user's settings in config.
Result vesk(const QStringList &arguments, const fs::path &config,
            const std::vector<std::pair<QString, QString>> &extraEnvironment = {}) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_FONT_DPI", "XDG_RUNTIME_DIR"})
    env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.string()));
  for (const auto &[name, value] : extraEnvironment) env.insert(name, value);
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(VESK_PROGRAM), arguments);
  process.waitForFinished(60000);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString q(const fs::path &path) { return QString::fromStdString(path.string()); }
QString example() { return q(test::sourcePath("examples/vesk.dat")); }

// The settings a user has: labels at 12 points, so that the export shows it reads them.
struct UserFolders {
  TempDir config, out;
  UserFolders() { test::writeFile(config.path() / "dorvesk.ini", "[Options]\r\nDefault Font Size=12\r\n"); }
};

// What the window shows for the example with the same settings.
QImage windowPicture(const UserFolders &setup) {
  GraphView view(GraphView::windowFont(), SettingsFile(setup.config.path(), "/opt/vesk"), 15);
  view.DefaultFontSize = 12;
  view.openFile(example().toStdString());
  return view.picture();
}

// Mean grey difference per pixel.
double meanDifference(const QImage &a, const QImage &b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
  return sum / (double(a.width()) * a.height());
}

// The share of a's dark pixels that have a dark pixel of b within one pixel.
double inkFoundNear(const QImage &a, const QImage &b) {
  const auto dark = [](const QImage &image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < 128;
  };
  int ink = 0, found = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if (!dark(a, x, y)) continue;
      ++ink;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) near = dark(b, x + dx, y + dy);
      found += near;
    }
  return ink == 0 ? 1.0 : double(found) / ink;
}

// Each format decodes to what the window shows; nothing but the file is
// written, and nothing is printed.
TEST(Export, EachFormatHoldsTheWindowsGraph) {
  UserFolders s;
  const QImage expected = windowPicture(s);
  for (const char *name : {"graph.png", "graph.JPG", "graph.pdf", "graph.svg"}) {
    const Result r = vesk({QStringLiteral("--export"), q(s.out.path() / name), example()}, s.config.path());
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out + r.err, QString()) << name;
  }
  EXPECT_EQ(test::folderEntries(s.config.path()), std::vector<std::string>{"dorvesk.ini"});
  EXPECT_EQ(test::readFile(s.config.path() / "dorvesk.ini"), "[Options]\r\nDefault Font Size=12\r\n");

  const QImage png(q(s.out.path() / "graph.png"));
  EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), expected);

  const QImage jpeg = test::decodeJpeg(s.out.path() / "graph.JPG");
  ASSERT_EQ(jpeg.size(), QSize(720, 478));
  EXPECT_LT(meanDifference(jpeg, expected), 3.0);
  for (QPoint at : {QPoint(300, 200), QPoint(30, 30), QPoint(392, 36)})
    EXPECT_TRUE(test::colourNear(jpeg.pixelColor(at), expected.pixelColor(at))) << at.x() << "," << at.y();

  const fs::path pdf = s.out.path() / "graph.pdf";
  const std::string info = test::commandOutput("pdfinfo " + test::quoted(pdf));
  EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
  // 7.5 x 4.98 inches; PDF pages are whole points, and 358.5 rounds up.
  EXPECT_NE(info.find("Page size:       540 x 359 pts"), std::string::npos) << info;
  const std::string text = test::commandOutput("pdftotext " + test::quoted(pdf) + " -");
  // Rotated labels come out of pdftotext in pieces; the titles stay whole.
  for (const char *words : {"Voltage (V)", "Time (s)", "10"}) EXPECT_NE(text.find(words), std::string::npos) << words;

  QFile svgFile(q(s.out.path() / "graph.svg"));
  ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
  QXmlStreamReader svg(&svgFile);
  QStringList texts;
  int svgElements = 0;
  while (!svg.atEnd()) {
    if (svg.readNext() != QXmlStreamReader::StartElement) continue;
    if (svg.name() == u"svg" && svgElements++ == 0) {
      EXPECT_EQ(svg.attributes().value(QStringLiteral("width")), QStringLiteral("7.5in"));
    }
    if (svg.name() == u"text") texts << svg.readElementText().trimmed();
  }
  EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
  EXPECT_EQ(svgElements, 4) << "the client area and its three surfaces";
  for (const char *words : {"Voltage (V)", "Time (s)", "Peak", "-5", "10"}) EXPECT_TRUE(texts.contains(words)) << words;
}

// The PDF rendered back at the window's 96 DPI agrees with the PNG up to one
// pixel: the raster snaps lines and text to whole pixels where the vector
// drawing does not, and smooths differently. So each dark pixel of one must
// have a dark pixel of the other within one pixel, on each surface; measured
// here, 99.8 % or more do, and a surface drawn two pixels off scores 98.4 %
// at best (the graph's long slanted lines), the strips under 90 %.
TEST(Export, VectorDrawingRendersBackLikeThePicture) {
  UserFolders s;
  const fs::path pdf = s.out.path() / "graph.pdf", png = s.out.path() / "graph.png";
  ASSERT_EQ(vesk({QStringLiteral("--export"), q(pdf), example()}, s.config.path()).status, 0);
  ASSERT_EQ(vesk({QStringLiteral("--export"), q(png), example()}, s.config.path()).status, 0);
  const std::string render =
      "pdftoppm -r 96 -png -singlefile " + test::quoted(pdf) + " " + test::quoted(s.out.path() / "back");
  ASSERT_EQ(std::system(render.c_str()), 0);
  const QImage raster(q(png)), back(q(s.out.path() / "back.png"));
  // Qt's rasteriser hints the 8-pt tick labels onto the pixel grid and
  // poppler does not, which moves a few glyph rows of the y strip by a pixel
  // more (98.6 % found there); a drawing shifted by two pixels scores below 90 %.
  constexpr double agreement = 0.98;
  for (QRect box : {QRect(0, 0, 72, 415), QRect(56, 416, 664, 57), QRect(72, 8, 640, 406)}) {
    EXPECT_GE(inkFoundNear(raster.copy(box), back.copy(box)), agreement) << box.x() << "," << box.y();
    EXPECT_GE(inkFoundNear(back.copy(box), raster.copy(box)), agreement) << box.x() << "," << box.y();
    EXPECT_LT(inkFoundNear(raster.copy(box), back.copy(box.translated(0, 2))), 0.9) << "the measure must see a shift";
  }
}

TEST(Export, ScaleDrawsMorePixels) {
  UserFolders s;
  const fs::path png = s.out.path() / "big.png";
  ASSERT_EQ(vesk({QStringLiteral("--scale"), QStringLiteral("2"), QStringLiteral("--export"), q(png), example()},
                 s.config.path())
                .status,
            0);
  EXPECT_EQ(QImage(q(png)).size(), QSize(1440, 956));
}

// GTK's dark theme as a desktop sets it: no platform theme is loaded, so the
// export neither needs a display nor takes the theme's colours.
TEST(Export, DarkDesktopThemeChangesNothingAndNeedsNoDisplay) {
  UserFolders s;
  const fs::path plain = s.out.path() / "plain.png", dark = s.out.path() / "dark.png";
  ASSERT_EQ(vesk({QStringLiteral("--export"), q(plain), example()}, s.config.path()).status, 0);
  const Result r = vesk({QStringLiteral("--export"), q(dark), example()}, s.config.path(),
                        {{QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("gtk3")},
                         {QStringLiteral("GTK_THEME"), QStringLiteral("Adwaita:dark")}});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
  EXPECT_EQ(QImage(q(dark)), QImage(q(plain)));
  EXPECT_EQ(QImage(q(plain)).pixelColor(5, 5), QColor(Qt::white));
}

// A folder the program cannot write to, for root too.
class LockedFolder {
public:
  explicit LockedFolder(const fs::path &folder) : dir(folder) {
    ::chmod(dir.c_str(), 0555);
    if (::geteuid() == 0) immutable = std::system(("chattr +i " + test::quoted(dir) + " 2>/dev/null").c_str()) == 0;
  }
  ~LockedFolder() {
    if (immutable) std::system(("chattr -i " + test::quoted(dir)).c_str());
    ::chmod(dir.c_str(), 0755);
  }
  LockedFolder(const LockedFolder &) = delete;
  LockedFolder &operator=(const LockedFolder &) = delete;
  bool locked() const { return ::access(dir.c_str(), W_OK) != 0 || immutable; }

private:
  fs::path dir;
  bool immutable = false;
};

// Every writer goes through the safe replacement: an earlier file survives.
TEST(Export, UnwritableFolderKeepsTheEarlierFileInEveryFormat) {
  UserFolders s;
  for (const char *name : {"old.png", "old.jpg", "old.pdf", "old.svg"}) {
    const fs::path target = s.out.path() / name;
    test::writeFile(target, "earlier");
    LockedFolder lock(s.out.path());
    if (!lock.locked()) GTEST_SKIP() << "no way to make a folder unwritable here";
    const Result r = vesk({QStringLiteral("--export"), q(target), example()}, s.config.path());
    EXPECT_EQ(r.status, 1) << name;
    ASSERT_EQ(r.errorLines().size(), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("vesk: ") + q(target) + QStringLiteral(": "))) << r.err.toStdString();
    EXPECT_EQ(test::readFile(target), "earlier") << name;
  }
}

TEST(Export, BadDataFileIsOneLineWithTheLoadersLineAndItem) {
  UserFolders s;
  const fs::path bad = s.out.path() / "bad.dat", out = s.out.path() / "bad.png";
  test::writeFile(bad, "Time (s)\r\nVoltage (V)\r\n0 10 -5 oops\r\n");
  const Result r = vesk({QStringLiteral("--export"), q(out), q(bad)}, s.config.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            QStringLiteral("vesk: ") + q(bad) +
                QStringLiteral(": line 3: expected a number for the upper end of the y axis, found \"oops\".\n"));
  EXPECT_FALSE(fs::exists(out));
}

TEST(Export, UnknownExtensionIsAUsageError) {
  UserFolders s;
  const Result r = vesk({QStringLiteral("--export"), q(s.out.path() / "graph.gif"), example()}, s.config.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral(".png, .jpg, .jpeg, .pdf or .svg"))) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: vesk"))) << r.err.toStdString();
  EXPECT_TRUE(test::folderEntries(s.out.path()).empty());
}

TEST(Export, BatchGoesOnAfterAFileThatFails) {
  UserFolders s;
  const fs::path data = s.out.path() / "data", images = s.out.path() / "images";
  fs::create_directories(data);
  fs::create_directories(images);
  fs::copy_file(test::sourcePath("examples/vesk.dat"), data / "A.dat");
  test::writeFile(data / "B.dat", "Time (s)\r\n");
  fs::copy_file(test::sourcePath("examples/markers.dat"), data / "C.dat");
  const Result r = vesk({QStringLiteral("--export-dir"), q(images), QStringLiteral("--format"), QStringLiteral("png"),
                         q(data / "A.dat"), q(data / "B.dat"), q(data / "C.dat")},
                        s.config.path());
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.errorLines().size(), 1) << r.err.toStdString();
  EXPECT_TRUE(r.err.startsWith(QStringLiteral("vesk: ") + q(data / "B.dat") + QStringLiteral(": ")))
      << r.err.toStdString();
  EXPECT_EQ(test::folderEntries(images), (std::vector<std::string>{"A.png", "C.png"}));
  EXPECT_EQ(QImage(q(images / "A.png")).convertToFormat(QImage::Format_RGB32), windowPicture(s));
}

}  // namespace
}  // namespace vesk
