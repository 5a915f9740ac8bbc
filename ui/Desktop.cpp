#include "ui/Desktop.h"

#include "ui/ProgramIcon.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace vesk {

std::string usableFolder(const std::string &folder) {
  const QFileInfo info(QString::fromStdString(folder));
  if (!folder.empty() && info.isAbsolute() && info.isDir()) return folder;
  return QDir::homePath().toStdString();
}

QIcon programIcon() {
  QSvgRenderer renderer{QByteArray(programIconSvg)};
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace vesk
