#include "surface/QtSurface.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace vesk {
namespace {



TEST(QtSurface, ImageHasTheSizeInPixels) {
  QtSurface s(9600, 6100, 15, Qt::white, Qt::black, QApplication::font());
  EXPECT_EQ(s.image().size(), QSize(640, 407));
}

}  // namespace
}  // namespace vesk
