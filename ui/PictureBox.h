#pragma once

#include "surface/QtSurface.h"

#include <QWidget>

namespace vesk {

// A picture box: shows its surface's image and reports pointer events in
// the surface's user coordinates, as single-precision numbers.
class PictureBox : public QWidget {
  Q_OBJECT
public:
  // Shows surface, which must outlive the box.
  PictureBox(QWidget *parent, QtSurface &surface);
  ~PictureBox() override;

  QtSurface &surface() { return surf; }
  // Pixel position within the box to user coordinates.
  QPointF toUser(QPointF pixel) const;

signals:
  void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
  void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, float x, float y);
  void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float x, float y);
  // The pointer's pixel within the box, at full precision, before each of the above.
  void pointerAt(QPointF pixel);
  void pointerLeft();
  // A turn of the wheel in eighths of a degree (one notch: 120), forward positive.
  void wheelTurned(QPointF pixel, int angle);

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
  void leaveEvent(QEvent *event) override;

private:
  QtSurface &surf;
};

}  // namespace vesk
