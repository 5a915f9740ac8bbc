#include "tests/support/RecordingSurface.h"

namespace vesk::test {

namespace {
RecordedOp op(const char *name, double x1 = 0, double y1 = 0, double x2 = 0, double y2 = 0) {
  RecordedOp o;
  o.name = name;
  o.x1 = x1;
  o.y1 = y1;
  o.x2 = x2;
  o.y2 = y2;
  return o;
}
}  // namespace

void RecordingSurface::Cls() {
  ops.push_back(op("Cls"));
  homeTextPosition();
}

void RecordingSurface::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, bool box) {
  RecordedOp o = op(box ? "Box" : "Line", x1, y1, x2, y2);
  o.colour = colour;
  o.drawWidth = DrawWidth();
  ops.push_back(o);
  setCurrentX(x2);
  setCurrentY(y2);
}

void RecordingSurface::Circle(double x, double y, double radius) {
  RecordedOp o = op("Circle", x, y, radius);
  o.drawWidth = DrawWidth();
  ops.push_back(o);
}

void RecordingSurface::Print(const std::string &text) {
  RecordedOp o = op("Print", CurrentX(), CurrentY());
  o.text = text;
  o.font = selectedFont();
  ops.push_back(o);
  setCurrentX(ScaleLeft());
  setCurrentY(CurrentY() + lineHeight * ScaleHeight() / Height());
}

std::vector<RecordedOp> RecordingSurface::named(const std::string &name) const {
  std::vector<RecordedOp> out;
  for (const auto &o : ops)
    if (o.name == name) out.push_back(o);
  return out;
}

}  // namespace vesk::test
