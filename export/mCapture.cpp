#include "export/mCapture.h"

#include <QMainWindow>
#include <QPixmap>
#include <QWidget>

#include <cmath>

namespace vesk {

QImage CaptureFormClient(QMainWindow &form) {
  QWidget *client = form.centralWidget();
  QWidget &window = client != nullptr ? *client : form;
  return CaptureWindowArea(window, 0, 0, window.width(), window.height());
}

QImage CaptureWindowArea(QWidget &window, int left, int top, int width, int height) {
  if (width <= 0 || height <= 0) return {};
  return PictureFromBitmap(window.grab(QRect(left, top, width, height)));
}

QImage PictureFromBitmap(const QPixmap &bitmap) {
  if (bitmap.isNull()) return {};
  QImage picture = bitmap.toImage();
  const qreal ratio = bitmap.devicePixelRatio();
  if (ratio != 1.0 && ratio > 0.0) {
    const QSizeF logical = bitmap.deviceIndependentSize();
    const QSize size(static_cast<int>(std::lround(logical.width())), static_cast<int>(std::lround(logical.height())));
    picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  picture.setDevicePixelRatio(1.0);
  return picture;
}

}  // namespace vesk
