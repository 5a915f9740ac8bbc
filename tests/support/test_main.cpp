#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Every test program runs headless with a QApplication, so that fonts,
// images and widgets work without a display.
int main(int argc, char **argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QT_FONT_DPI", "96", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
