#pragma once

#include <QImage>

class QMainWindow;
class QPixmap;
class QWidget;

namespace vesk {

// Pictures of what a window shows, rendered from the window's own widgets
// rather than copied from the screen, so that a covering window never ends
// up in them. A null image means no usable picture. No palette is carried.

// The form's client area (its central widget) at its size in device-independent pixels.
QImage CaptureFormClient(QMainWindow &form);

// A rectangle of a widget, in device-independent pixels from its top-left corner.
QImage CaptureWindowArea(QWidget &window, int left, int top, int width, int height);

// A grabbed bitmap as a picture of its logical size: a bitmap rendered at a
// device pixel ratio other than 1 is scaled down to it.
QImage PictureFromBitmap(const QPixmap &bitmap);

}  // namespace vesk
