#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk {

// A colour as 0xRRGGBB; 0 is black.
using Colour = std::uint32_t;

// The font a caller selects for Print, in place of a native device context.
// An empty face stands for the surface's own font.
struct SurfaceFont {
  std::string face;
  int height = 0;      // negative: the character height in pixels
  int escapement = 0;  // tenths of a degree, counter-clockwise on screen
  friend bool operator==(const SurfaceFont &, const SurfaceFont &) = default;
};

// The points of a polyline, read in place from an array of records that hold
// them as doubles: the i-th point's x lies stride bytes after the (i-1)-th's.
struct PointRun {
  const double *x = nullptr;
  const double *y = nullptr;
  std::size_t count = 0;
  std::size_t stride = 2 * sizeof(double);

  double xAt(std::size_t i) const { return at(x, i); }
  double yAt(std::size_t i) const { return at(y, i); }

private:
  double at(const double *first, std::size_t i) const {
    return *reinterpret_cast<const double *>(reinterpret_cast<const std::byte *>(first) + i * stride);
  }
};

// A drawing surface that keeps what was drawn until the next Cls.
// Lengths are twips (Width, Height) or user units set with Scale.
class Surface {
public:
  virtual ~Surface() = default;

  virtual void Cls() = 0;
  virtual void Scale(double x1, double y1, double x2, double y2) = 0;
  virtual double ScaleLeft() const = 0;
  virtual double ScaleTop() const = 0;
  virtual double ScaleWidth() const = 0;
  virtual void setScaleWidth(double width) = 0;
  virtual double ScaleHeight() const = 0;
  virtual void setScaleHeight(double height) = 0;
  virtual double Width() const = 0;   // twips
  virtual double Height() const = 0;  // twips

  virtual void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
                    bool box = false) = 0;
  virtual void Circle(double x, double y, double radius) = 0;
  // Joins the points in order, in the given colour at the pen width: the same
  // as Line from each point to the next, which is all this one does. A surface
  // may draw it another way that gives the same result, faster or smaller.
  virtual void Polyline(const PointRun &points, Colour colour);
  // The polylines about to be drawn, in order, with the scale and pen as they
  // are: a surface may start on them ahead. forgetPlans ends that; the points
  // must stay as they are until then.
  virtual void planPolylines(std::vector<PointRun> runs) { (void)runs; }
  virtual void forgetPlans() {}
  // The whole pixel a point is drawn on, for a surface of pixels whose thin
  // shapes depend on nothing else (the point near the surface); nothing
  // otherwise. Two shapes whose ends fall on the same pixels cover the same.
  virtual std::optional<std::pair<int, int>> wholePixel(double x, double y) const;

  virtual double CurrentX() const = 0;
  virtual void setCurrentX(double x) = 0;
  virtual double CurrentY() const = 0;
  virtual void setCurrentY(double y) = 0;

  // Draws UTF-8 text with its top-left corner at the text position, in the
  // selected font, then moves the position to the start of the next line.
  virtual void Print(const std::string &text) = 0;

  virtual int DrawWidth() const = 0;  // pixels
  virtual void setDrawWidth(int pixels) = 0;

  // Selects the font Print uses and returns the one selected before.
  virtual SurfaceFont SelectFont(const SurfaceFont &font) = 0;
};

// The coordinate bookkeeping every surface shares: the user system, the text
// position, the pen width and the selected font.
class SurfaceState : public Surface {
public:
  SurfaceState(double widthTwips, double heightTwips);

  void Scale(double x1, double y1, double x2, double y2) override;
  double ScaleLeft() const override { return left; }
  double ScaleTop() const override { return top; }
  double ScaleWidth() const override { return scaleWidth; }
  void setScaleWidth(double width) override { scaleWidth = width; }
  double ScaleHeight() const override { return scaleHeight; }
  void setScaleHeight(double height) override { scaleHeight = height; }
  double Width() const override { return widthTwips; }
  double Height() const override { return heightTwips; }
  double CurrentX() const override { return currentX; }
  void setCurrentX(double x) override { currentX = x; }
  double CurrentY() const override { return currentY; }
  void setCurrentY(double y) override { currentY = y; }
  int DrawWidth() const override { return drawWidth; }
  void setDrawWidth(int pixels) override { drawWidth = pixels < 1 ? 1 : pixels; }
  SurfaceFont SelectFont(const SurfaceFont &font) override;
  const SurfaceFont &selectedFont() const { return font; }

protected:
  // Clears the text position, as Cls does on every surface.
  void homeTextPosition();

private:
  double widthTwips;
  double heightTwips;
  double left = 0;
  double top = 0;
  double scaleWidth;
  double scaleHeight;
  double currentX = 0;
  double currentY = 0;
  int drawWidth = 1;
  SurfaceFont font;
};

}  // namespace vesk
