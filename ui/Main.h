#pragma once

#include <QMainWindow>

namespace vesk {

class Main : public QMainWindow {
  Q_OBJECT
public:
  explicit Main(QWidget *parent = nullptr);
};

}  // namespace vesk
