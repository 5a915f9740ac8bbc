#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace vesk {

// A view of the graph area: the data values at its left, top, right and
// bottom edges. A reversed axis has left > right or bottom > top, and every
// change below keeps it so.
struct ViewRect {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const ViewRect &) const = default;
};

// Zoomed about the data point (x, y), which stays where it is on screen:
// factor 1.25 shows 1/1.25 of the width and height, 0.8 shows 1.25 times.
ViewRect zoomedAbout(const ViewRect &view, double x, double y, double factor);
// Moved by fractions of its own size towards the screen's right (across)
// and bottom (down); negative fractions move left and up.
ViewRect pannedBy(const ViewRect &view, double across, double down);
// Finite, and each span wide enough that the pixels of a 640-pixel area
// still get different values.
bool usableView(const ViewRect &view);

// The views shown one after the other, for Back and Forward. An empty view
// stands for the full view, which is always the first.
class ZoomHistory {
public:
  using View = std::optional<ViewRect>;
  static constexpr std::size_t maxViews = 1000;

  ZoomHistory();
  // Only the full view, shown.
  void reset();
  // A new view shown after the current one; the views ahead are dropped.
  void show(const View &view);
  // The current view changed in place (a drag that pans).
  void replace(const View &view);
  // The previous or the next view, which becomes current; none at either end.
  std::optional<View> back();
  std::optional<View> forward();

  const View &current() const { return views[at]; }
  bool canGoBack() const { return at > 0; }
  bool canGoForward() const { return at + 1 < views.size(); }

private:
  std::vector<View> views;
  std::size_t at = 0;
};

}  // namespace vesk
