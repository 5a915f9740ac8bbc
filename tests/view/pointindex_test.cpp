#include "view/PointIndex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace vesk {
namespace {

GraphModel modelOf(const std::vector<std::vector<DataPoint>> &sets) {
  GraphModel m;
  m.dataSets.resize(GraphModel::maxDataSets);
  for (std::size_t s = 0; s < sets.size(); ++s) {
    m.dataSets[s].points = sets[s];
    m.dataSets[s].pointCount = std::int16_t(sets[s].size());
    m.dataSets[s].isLoaded = true;
  }
  return m;
}

// Every point looked at, with the index's order among ties.
std::optional<PointIndex::Hit> bruteForce(const GraphModel &m, double x, double y, double sx, double sy, double r) {
  std::optional<PointIndex::Hit> best;
  double bestD = r * r;
  for (std::size_t s = 0; s < m.dataSets.size() && m.dataSets[s].isLoaded; ++s)
    for (std::size_t k = 0; k < std::size_t(m.dataSets[s].pointCount); ++k) {
      const DataPoint &p = m.dataSets[s].points[k];
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
      const double dx = (p.x - x) * sx, dy = (p.y - y) * sy, d = dx * dx + dy * dy;
      if (d < bestD || (d == bestD && !best)) {
        bestD = d;
        best = PointIndex::Hit{int(s), std::uint32_t(k), p.x, p.y, p.tag, std::sqrt(d)};
      }
    }
  return best;
}

TEST(PointIndex, FindsWhatAScanOfEveryPointFindsOnRandomData) {
  std::mt19937 random(20);
  // Clustered and spread data, points on a coarse grid (many ties and equal
  // coordinates on the splitting planes), very unequal axis scales, and enough
  // points for the tree to be built by several threads.
  struct Case {
    int sets, points;
    double spreadX, spreadY, grid;
    double sx, sy;
    int queries = 600;
  };
  for (const Case &c : {Case{3, 2000, 10, 10, 0, 64, 40}, Case{40, 300, 1e6, 1e-3, 0, 6e-4, 4e5},
                        Case{5, 1500, 20, 20, 1, 3, 3}, Case{1, 5000, 1, 1, 0.25, 640, 407},
                        Case{25, 3000, 10, 10, 0.01, 64, 40, 40}}) {
    std::uniform_real_distribution<double> ux(-c.spreadX, c.spreadX), uy(-c.spreadY, c.spreadY);
    std::vector<std::vector<DataPoint>> sets(std::size_t(c.sets));
    for (auto &set : sets)
      for (int k = 0; k < c.points; ++k) {
        double x = ux(random), y = uy(random);
        if (c.grid > 0) {
          x = std::round(x / c.grid) * c.grid;
          y = std::round(y / c.grid) * c.grid;
        }
        set.push_back({x, y, std::int16_t(k % 7)});
      }
    const GraphModel m = modelOf(sets);
    const PointIndex index(m);
    ASSERT_EQ(index.size(), std::size_t(c.sets * c.points));
    int hits = 0;
    for (int q = 0; q < c.queries; ++q) {
      const double x = ux(random) * 1.1, y = uy(random) * 1.1;
      for (double r : {6.0, 40.0}) {
        const auto want = bruteForce(m, x, y, c.sx, c.sy, r);
        const auto got = index.nearest(x, y, c.sx, c.sy, r);
        ASSERT_EQ(got.has_value(), want.has_value()) << q;
        if (!want) continue;
        ++hits;
        EXPECT_EQ(got->set, want->set) << q;
        EXPECT_EQ(got->point, want->point) << q;
        EXPECT_EQ(got->tag, want->tag);
        EXPECT_DOUBLE_EQ(got->pixels, want->pixels);
      }
    }
    EXPECT_GT(hits, c.queries / 6) << "the queries must find points";
  }
}

TEST(PointIndex, CountsOnlyDrawnFinitePointsAndRefusesUnusableScales) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  GraphModel m = modelOf({{{0, 0, 1}, {inf, 0, 2}, {nan, 1, 3}}, {{1, 1, 4}, {2, 2, 5}}});
  // The second set draws one point only; the third is not loaded.
  m.dataSets[1].pointCount = 1;
  m.dataSets[3].points = {{0, 0, 9}};
  m.dataSets[3].pointCount = 1;
  m.dataSets[3].isLoaded = true;
  const PointIndex index(m);
  EXPECT_EQ(index.size(), 2u);
  EXPECT_FALSE(index.nearest(2, 2, 1, 1, 0.5));
  const auto hit = index.nearest(0.9, 1.2, 10, 10, 6);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->set, 1);
  EXPECT_EQ(hit->tag, 4);
  // The radius counts in pixels, inclusive.
  EXPECT_TRUE(index.nearest(0, 0.625, 8, 8, 5));
  EXPECT_FALSE(index.nearest(0, 0.627, 8, 8, 5));
  for (double bad : {0.0, -1.0, inf, nan}) {
    EXPECT_FALSE(index.nearest(0, 0, bad, 1, 6));
    EXPECT_FALSE(index.nearest(0, 0, 1, bad, 6));
  }
  EXPECT_FALSE(PointIndex().nearest(0, 0, 1, 1, 6));
}

}  // namespace
}  // namespace vesk
