#include "surface/PainterSurface.h"
#include "surface/QtSurface.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>
#include <QApplication>

#include <limits>

namespace vesk {
namespace {

using test::painted;

// A 100 x 100 pixel surface (1500 twips square) at (50, 0) of a 200 x 100 image, unsmoothed.
struct Canvas {
  QImage image{200, 100, QImage::Format_RGB32};
  QPainter painter;
  SharedPainter shared{painter};
  std::unique_ptr<PainterSurface> surface;
  Canvas() {
    image.fill(Qt::white);
    painter.begin(&image);
    const QRectF box(50, 0, 100, 100);
    QPainterPath visible;
    visible.addRect(box);
    surface = std::make_unique<PainterSurface>(shared, box, visible, 1500, 1500, 15, Qt::white, Qt::black,
                                               QApplication::font());
  }
  const QImage &done() {
    painter.end();
    return image;
  }
};

// Marks land on the pixels QtSurface paints for them, so that vector output
// and the window agree; the text position moves on as it does there.
TEST(PainterSurface, MarksCoverTheRasterSurfacesPixels) {
  struct Mark {
    double x1, y1, x2, y2;
    bool box;
  };
  for (const Mark m :
       {Mark{150, 750, 1350, 750, false}, Mark{300, 0, 300, 150, false}, Mark{600, 600, 900, 450, true}}) {
    Canvas c;
    QtSurface raster(1500, 1500, 15, Qt::white, Qt::black, QApplication::font());
    c.surface->Line(m.x1, m.y1, m.x2, m.y2, std::nullopt, m.box);
    raster.Line(m.x1, m.y1, m.x2, m.y2, std::nullopt, m.box);
    EXPECT_EQ(painted(c.done()).translated(-50, 0), painted(raster.image())) << m.x1 << "," << m.y1;
  }
  Canvas c;
  QtSurface raster(1500, 1500, 15, Qt::white, Qt::black, QApplication::font());
  for (Surface *s : std::initializer_list<Surface *>{c.surface.get(), &raster}) {
    s->SelectFont({"Arial", -16, 0});
    s->setCurrentY(100);
    s->Print("Voltage (V)");
  }
  EXPECT_DOUBLE_EQ(c.surface->CurrentY(), raster.CurrentY());
}

// Nothing reaches past the surface's visible part, whatever the coordinates:
// lines from near the largest double are clipped before the painter sees them.
TEST(PainterSurface, FarLinesAndLongTextStayInTheVisiblePart) {
  Canvas c;
  const double far = std::numeric_limits<double>::max();
  c.surface->setDrawWidth(2);
  c.surface->Line(-far, 750, far, 750);
  c.surface->Line(750, -far, 750, far);
  c.surface->setCurrentX(1200);
  c.surface->Print("A label much wider than what is left of the surface");
  const QImage &image = c.done();
  EXPECT_EQ(painted(image), QRect(50, 0, 100, 100));
  EXPECT_EQ(image.pixelColor(60, 50), Qt::black);
  EXPECT_EQ(image.pixelColor(100, 5), Qt::black);
}

}  // namespace
}  // namespace vesk
