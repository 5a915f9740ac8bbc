#include "ui/Main.h"

#include <QApplication>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  vesk::Main window;
  window.show();
  return app.exec();
}
