#pragma once

#include "surface/Surface.h"

#include <optional>
#include <string>
#include <vector>

namespace vesk::test {

// One operation drawn on a RecordingSurface, with its arguments in user units.
struct RecordedOp {
  std::string name;                       // "Cls", "Line", "Box", "Circle", "Print"
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Circle: centre and radius in x2
  std::optional<Colour> colour;
  int drawWidth = 0;
  std::string text;  // Print
  SurfaceFont font;  // Print: the selected font
};

// A surface that draws nothing and logs every drawing operation, so that
// tests can assert exact geometry.
class RecordingSurface : public SurfaceState {
public:
  RecordingSurface(double widthTwips, double heightTwips, double lineHeightTwips = 195)
      : SurfaceState(widthTwips, heightTwips), lineHeight(lineHeightTwips) {}

  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
            bool box = false) override;
  void Circle(double x, double y, double radius) override;
  void Print(const std::string &text) override;

  std::vector<RecordedOp> ops;
  // Operations of one kind, in order.
  std::vector<RecordedOp> named(const std::string &name) const;

private:
  double lineHeight;
};

}  // namespace vesk::test
