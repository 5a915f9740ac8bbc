#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vesk {

namespace {
// Pointer positions arrive as single-precision numbers; values beyond its
// range (a graph with huge axis limits) are clamped rather than overflowed.
float single(double v) {
  constexpr double maxSingle = std::numeric_limits<float>::max();
  if (std::isnan(v)) return 0.0f;
  return float(std::clamp(v, -maxSingle, maxSingle));
}
}  // namespace

PictureBox::PictureBox(QWidget *parent, QtSurface &surface) : QWidget(parent), surf(surface) {
  setFixedSize(surf.size());
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button held are reported too.
  setMouseTracking(true);
  surf.setOnChanged([this] { update(); });
}

PictureBox::~PictureBox() { surf.setOnChanged({}); }

QPointF PictureBox::toUser(QPointF pixel) const {
  const double tpp = surf.twipsPerPixel();
  return {surf.ScaleLeft() + pixel.x() * surf.ScaleWidth() / (surf.Width() / tpp),
          surf.ScaleTop() + pixel.y() * surf.ScaleHeight() / (surf.Height() / tpp)};
}

void PictureBox::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.drawImage(0, 0, surf.image());
}

void PictureBox::mousePressEvent(QMouseEvent *event) {
  emit pointerAt(event->position());
  const QPointF u = toUser(event->position());
  emit mouseDown(event->button(), event->modifiers(), single(u.x()), single(u.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event) {
  emit pointerAt(event->position());
  const QPointF u = toUser(event->position());
  emit mouseMove(event->buttons(), event->modifiers(), single(u.x()), single(u.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event) {
  emit pointerAt(event->position());
  const QPointF u = toUser(event->position());
  emit mouseUp(event->button(), event->modifiers(), single(u.x()), single(u.y()));
}

void PictureBox::wheelEvent(QWheelEvent *event) {
  const int angle = event->angleDelta().y();
  if (angle == 0) {
    event->ignore();
    return;
  }
  emit wheelTurned(event->position(), angle);
  event->accept();
}

void PictureBox::leaveEvent(QEvent *) { emit pointerLeft(); }

}  // namespace vesk
