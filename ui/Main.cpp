#include "ui/Main.h"

namespace vesk {

Main::Main(QWidget *parent) : QMainWindow(parent) { setWindowTitle("Vesk"); }

}  // namespace vesk
