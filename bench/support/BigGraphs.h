#pragma once

// Big graphs built straight into an engine from a seeded generator, for the
// drawing and export benchmarks.
#include "tests/support/cVeskTestAccess.h"
#include "view/GraphView.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>

namespace vesk::bench {

constexpr int kPointsPerLine = 32767;

inline void fitRange(GraphModel &m) {
  double xLo = std::numeric_limits<double>::infinity(), xHi = -xLo, yLo = xLo, yHi = -xLo;
  for (const DataSet &set : m.dataSets)
    for (const DataPoint &p : set.points) {
      xLo = std::min(xLo, p.x);
      xHi = std::max(xHi, p.x);
      yLo = std::min(yLo, p.y);
      yHi = std::max(yHi, p.y);
    }
  m.xMin = xLo;
  m.xMax = xHi;
  m.yMin = yLo;
  m.yMax = yHi;
}

inline DataSet &nextSet(GraphModel &m, std::size_t j, std::int16_t marker, std::size_t points) {
  DataSet &set = m.dataSets[j];
  set.isLoaded = true;
  set.markerStyle = marker;
  set.points.reserve(points);
  set.pointCount = static_cast<decltype(set.pointCount)>(points);
  return set;
}

// lines random walks of 32,767 points each over the same samples.
inline GraphModel randomWalks(int lines) {
  GraphModel m;
  m.xTitle = "Sample";
  m.yTitle = "Level";
  m.dataSets.resize(GraphModel::maxDataSets);
  std::mt19937_64 rng(20261209);
  std::normal_distribution<double> step(0, 1);
  for (int j = 0; j < lines; ++j) {
    DataSet &set = nextSet(m, std::size_t(j), 0, kPointsPerLine);
    double y = 0;
    for (int k = 0; k < kPointsPerLine; ++k) {
      y += step(rng);
      set.points.push_back({double(k), y, 0});
    }
  }
  fitRange(m);
  return m;
}

// Eight clouds of 30,000 markers, each of a different style.
inline GraphModel markerClouds() {
  GraphModel m;
  m.xTitle = "x";
  m.yTitle = "y";
  m.dataSets.resize(GraphModel::maxDataSets);
  std::mt19937_64 rng(7);
  std::normal_distribution<double> spread(0, 10);
  static const std::int16_t styles[] = {1, 2, 3, 4, 5, 6, 8, 16};
  for (std::size_t j = 0; j < std::size(styles); ++j) {
    DataSet &set = nextSet(m, j, styles[j], 30000);
    const double cx = double(j % 4) * 30, cy = double(j / 4) * 40;
    for (int k = 0; k < 30000; ++k) set.points.push_back({cx + spread(rng), cy + spread(rng), 0});
  }
  fitRange(m);
  return m;
}

struct BigView {
  explicit BigView(GraphModel model, double ratio = 1)
      : view(GraphView::windowFont(), SettingsFile(QDir::tempPath().toStdString(), "/opt/vesk"), 15, ratio) {
    cVeskTestAccess::model(view.engine()) = std::move(model);
    view.mainPicture().setDrawWidth(2);
    view.refresh();
  }
  GraphView view;
};

inline const GraphModel &walks() {
  static const GraphModel m = randomWalks(100);
  return m;
}

}  // namespace vesk::bench
