#include "surface/ColumnReduction.h"
#include "surface/PainterSurface.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace vesk {
namespace {

using Points = std::vector<QPointF>;

struct ReductionCase {
  const char *name;
  Points in;
  Points kept;
};

void PrintTo(const ReductionCase &c, std::ostream *os) { *os << c.name; }

class Reduction : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(Reduction, KeepsFirstLowestHighestAndLastOfEachColumnInOrder) {
  ColumnReduction r(1);
  for (QPointF p : GetParam().in) r.add(p);
  const Points &kept = r.points();
  ASSERT_EQ(kept.size(), GetParam().kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const QPointF a = kept[i], b = GetParam().kept[i];
    if (std::isnan(b.y()))
      EXPECT_TRUE(std::isnan(a.y())) << i;
    else
      EXPECT_EQ(a, b) << i;
  }
}

const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, Reduction,
    ::testing::Values(ReductionCase{"onePoint", {{0.5, 3}}, {{0.5, 3}}},
                      // The highest comes before the lowest here: the order of the line is kept.
                      ReductionCase{"highBeforeLow",
                                    {{0.1, 5}, {0.2, 9}, {0.3, 7}, {0.4, 1}, {0.5, 4}, {0.6, 6}},
                                    {{0.1, 5}, {0.2, 9}, {0.4, 1}, {0.6, 6}}},
                      ReductionCase{"firstIsLowestLastIsHighest", {{2.0, 1}, {2.5, 3}, {2.9, 8}}, {{2.0, 1}, {2.9, 8}}},
                      // Each column on its own; the joins between them stay.
                      ReductionCase{"twoColumns",
                                    {{0.2, 0}, {0.4, 5}, {0.6, 2}, {1.2, 2}, {1.3, -4}, {1.5, 1}},
                                    {{0.2, 0}, {0.4, 5}, {0.6, 2}, {1.2, 2}, {1.3, -4}, {1.5, 1}}},
                      // A line that comes back into a column starts a new run there.
                      ReductionCase{
                          "doublesBack",
                          {{0.2, 0}, {0.3, 1}, {0.4, 2}, {0.5, 3}, {1.5, 3}, {0.6, 3}, {0.7, 9}, {0.8, 4}, {0.9, 5}},
                          {{0.2, 0}, {0.5, 3}, {1.5, 3}, {0.6, 3}, {0.7, 9}, {0.9, 5}}},
                      // Negative positions lie in the columns left of 0.
                      ReductionCase{"leftOfZero", {{-0.5, 1}, {-0.2, 7}, {0.1, 2}}, {{-0.5, 1}, {-0.2, 7}, {0.1, 2}}},
                      ReductionCase{"breakKept",
                                    {{0.1, 1}, {0.2, 3}, {0.3, 2}, {0.4, nan}, {0.5, 8}, {0.6, 0}, {0.7, 4}},
                                    {{0.1, 1}, {0.2, 3}, {0.3, 2}, {0.4, nan}, {0.5, 8}, {0.6, 0}, {0.7, 4}}}),
    [](const ::testing::TestParamInfo<ReductionCase> &info) { return std::string(info.param.name); });

// A 300 x 200 pixel surface filling an image, unsmoothed: smoothed, the
// overlaps of separate segments would come out darker than those of one path.
struct Drawing {
  QImage image{300, 200, QImage::Format_RGB32};
  QPainter painter;
  SharedPainter shared{painter};
  std::unique_ptr<PainterSurface> surface;
  Drawing() {
    image.fill(Qt::white);
    painter.begin(&image);
    QPainterPath visible;
    visible.addRect(0, 0, 300, 200);
    surface = std::make_unique<PainterSurface>(shared, QRectF(0, 0, 300, 200), visible, 4500, 3000, 15, Qt::white,
                                               Qt::black, QApplication::font());
    surface->Scale(0, 100, 2000, 0);
    surface->setDrawWidth(2);
  }
  const QImage &done() {
    painter.end();
    return image;
  }
};

int darkAt(const QImage &img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// The line reduced for the screen's pixels looks at them as the whole line
// does: the same pixels dark, but for a few at the edges of the smoothing.
TEST(PainterSurfacePolyline, DrawsADenseLineAsItsEverySegmentLooks) {
  std::mt19937 rng(5);
  std::normal_distribution<double> step(0, 2);
  std::vector<double> xy;
  double y = 50;
  for (int k = 0; k < 20000; ++k) {
    y = std::clamp(y + step(rng), 5.0, 95.0);
    xy.push_back(k * 0.1);
    xy.push_back(y);
    if (k == 9000) {
      xy.push_back(nan);
      xy.push_back(nan);
    }
    // Far out now and then: clipped on the way.
    if (k % 4000 == 0) {
      xy.push_back(k * 0.1);
      xy.push_back(1e12);
    }
  }
  const PointRun run{&xy[0], &xy[1], xy.size() / 2, 2 * sizeof(double)};
  Drawing whole, reduced;
  whole.surface->Surface::Polyline(run, 0);
  reduced.surface->Polyline(run, 0);
  EXPECT_EQ(reduced.surface->CurrentX(), whole.surface->CurrentX());
  const QImage &a = whole.done(), &b = reduced.done();
  int dark = 0, differing = 0;
  for (int j = 0; j < a.height(); ++j)
    for (int i = 0; i < a.width(); ++i) {
      dark += darkAt(a, i, j);
      differing += darkAt(a, i, j) != darkAt(b, i, j);
    }
  EXPECT_GT(dark, 3000);
  EXPECT_LT(differing, dark / 100) << dark;
}

}  // namespace
}  // namespace vesk
