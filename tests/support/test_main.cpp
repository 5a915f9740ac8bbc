#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Qt's platform plugin, fontconfig and FreeType keep caches for the life of
// the process and never free them; these are not leaks of Vesk's.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libfreetype\nleak:libQt6Gui\nleak:libQt6Core\nleak:libQt6Widgets\n"
         "leak:libqoffscreen\nleak:libglib\nleak:libdbus\n";
}

extern "C" const char *__ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

// Every test program runs headless with a QApplication, at 96 DPI and in the
// C locale unless a test switches it, so that fonts, images and widgets work
// the same everywhere.
int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_FONT_DPI", "96", 0);
  setenv("LC_ALL", "C.UTF-8", 1);
  // The desktop's recently-used list of the user running the tests stays untouched.
  QTemporaryDir data;
  setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
