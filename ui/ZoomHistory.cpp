#include "ui/ZoomHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vesk {

ViewRect zoomedAbout(const ViewRect &v, double x, double y, double factor) {
  return {x + (v.left - x) / factor, y + (v.top - y) / factor, x + (v.right - x) / factor,
          y + (v.bottom - y) / factor};
}

ViewRect pannedBy(const ViewRect &v, double across, double down) {
  const double dx = across * (v.right - v.left), dy = down * (v.bottom - v.top);
  return {v.left + dx, v.top + dy, v.right + dx, v.bottom + dy};
}

bool usableView(const ViewRect &v) {
  const auto spans = [](double a, double b) {
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(b - a)) return false;
    // Below this the 640 pixels across would repeat values.
    const double least = std::max(std::abs(a), std::abs(b)) * std::numeric_limits<double>::epsilon() * 4096;
    return std::abs(b - a) > std::max(least, std::numeric_limits<double>::min());
  };
  return spans(v.left, v.right) && spans(v.bottom, v.top);
}

ZoomHistory::ZoomHistory() { reset(); }

void ZoomHistory::reset() {
  views.assign(1, std::nullopt);
  at = 0;
}

void ZoomHistory::show(const View &view) {
  views.resize(at + 1);
  views.push_back(view);
  // The oldest views after the full view go first.
  if (views.size() > maxViews) views.erase(views.begin() + 1);
  at = views.size() - 1;
}

void ZoomHistory::replace(const View &view) {
  if (at == 0)
    show(view);
  else
    views[at] = view;
}

std::optional<ZoomHistory::View> ZoomHistory::back() {
  if (!canGoBack()) return std::nullopt;
  return views[--at];
}

std::optional<ZoomHistory::View> ZoomHistory::forward() {
  if (!canGoForward()) return std::nullopt;
  return views[++at];
}

}  // namespace vesk
