#include "engine/Axes.h"

#include "engine/DrawingSupport.h"
#include "engine/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace vesk {

namespace {

using drawing::twipsPerPixel;

// Twips between a y label's ink and the y title, and between a label and its tick.
constexpr double kGapPixels = 2;
// Every tick keeps its label, then only every 2nd, 5th, 10th, ... tick does.
constexpr int kThinning[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};

std::size_t characters(const std::string &text) {
  std::size_t chars = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
  return chars;
}

// The y labels are padded in front so that short numbers line up on the right.
std::string padded(std::string text) {
  const std::size_t chars = characters(text);
  if (chars < 5) text.insert(0, 5 - chars, ' ');
  return text;
}

// The labels of an axis in one form: the general form, or the exponent form
// with the same significant digits on every label.
std::vector<std::string> labelTexts(const std::vector<double> &values, bool exponent) {
  std::vector<std::string> texts;
  const int digits = exponent ? exponentDigits(values) : 0;
  for (double v : values) texts.push_back(exponent ? formatExponent(v, digits) : formatGeneral(v));
  return texts;
}

// Labels that share their leading digits, written as their differences from
// a round value that the y title then names: "Counter - 1E+14" over 0, 1, 2,
// ... Only for an axis that does not cross zero, where such a value exists.
struct OffsetForm {
  std::vector<std::string> texts;
  std::string term;  // " - 1E+14", or " + 1.7E+09" for values below zero
};

// v rounded by to (floor or ceil) to a multiple of 10^power; dividing by an
// exact power of ten keeps a value such as 6.5 exact.
double toMultiple(double v, int power, double (*to)(double)) {
  const double scale = std::pow(10.0, std::abs(power));
  return power >= 0 ? to(v / scale) * scale : to(v * scale) / scale;
}

std::optional<OffsetForm> offsetForm(const AxisTicks &ticks, double lo, double hi) {
  const double lower = std::min(lo, hi), upper = std::max(lo, hi), span = upper - lower;
  if (!std::isfinite(span) || !(span > 0) || !(ticks.step > 0) || (lower <= 0 && upper >= 0)) return std::nullopt;
  // The roundest value below or above the axis that leaves the differences at
  // most one digit longer than the span needs: 1.7E+09 for 1700000500 to
  // 1700010500 (1000 to 10000), not 1700000000 + 500.
  const int spanPower = int(std::floor(std::log10(span))) + 1;
  const double longest = std::pow(10.0, spanPower + 1);
  const int top = int(std::floor(std::log10(std::max(std::abs(lower), std::abs(upper)))));
  double offset = 0;
  for (int power = top; power >= spanPower && offset == 0; --power) {
    // Counting away from zero first (up from below the axis for positive
    // values), then from a round value on the axis, then back towards zero.
    const double below = toMultiple(lower, power, std::floor), above = toMultiple(upper, power, std::ceil);
    const double on = toMultiple(lower, power, std::ceil);
    const double candidates[] = {lower > 0 ? below : above, on, lower > 0 ? above : below};
    for (double candidate : candidates)
      if (offset == 0 && std::abs(upper - candidate) < longest && std::abs(lower - candidate) < longest) offset = candidate;
  }
  if (offset == 0 || !std::isfinite(offset)) return std::nullopt;
  OffsetForm form;
  // Counted in steps, so that a difference reads 0.3 and not 0.299999999999999.
  for (double v : ticks.values) form.texts.push_back(formatGeneral(std::nearbyint((v - offset) / ticks.step) * ticks.step));
  const double amount = std::abs(offset);
  std::string text = formatGeneral(amount);
  const std::string exponent = formatExponent(amount, exponentDigits({amount}));
  if (characters(exponent) < characters(text)) text = exponent;
  form.term = (offset > 0 ? " - " : " + ") + text;
  return form;
}

double widest(const MainForm &main, const std::vector<std::string> &texts) {
  double w = 0;
  for (const auto &t : texts) w = std::max(w, main.TextWidth(t));
  return w;
}

// Which ticks keep a label when only every factor-th does: those at multiples
// of factor steps, so that the labels stay round; by position when no tick is.
std::vector<bool> shownLabels(const AxisTicks &ticks, int factor) {
  const std::size_t n = ticks.values.size();
  std::vector<bool> shown(n, factor == 1);
  if (factor == 1) return shown;
  bool any = false;
  for (std::size_t i = 0; i < n; ++i) {
    const double k = std::nearbyint(ticks.values[i] / ticks.step);
    shown[i] = std::fmod(k, factor) == 0;
    any = any || shown[i];
  }
  if (!any)
    for (std::size_t i = 0; i < n; ++i) shown[i] = i % std::size_t(factor) == 0;
  return shown;
}

// A position in twips to the whole pixel a surface draws it at.
double onPixel(double twips, double tpp) { return std::nearbyint(twips / tpp) * tpp; }

}  // namespace

double yTitleRoom(const MainForm &main, const std::string &yTitle, std::int32_t size) {
  if (yTitle.empty()) return 0;
  return main.FontTextHeight(yTitle, drawing::labelFont(size, placement::upward, main)) + kGapPixels * twipsPerPixel(main);
}

YLabels drawYTicks(const MainForm &main, Surface &yPicture, const AxisTicks &ticks, double yLo, double yHi,
                   double graphHeight, double labelOffset, double clearOf) {
  const double W2 = yPicture.Width(), H2 = yPicture.Height();
  const double tpp = twipsPerPixel(main);
  // Counted from the upper limit down, not in the values themselves: near
  // 1E+14 a value has no digits left for the strip's fractions of a pixel.
  yPicture.Scale(0, 0, W2, (yHi - yLo) * (H2 / graphHeight));
  const double SH = yPicture.ScaleHeight();
  // The strip's top lies 125 twips above the graph area's; the window puts
  // both on whole pixels (120 twips apart at 15 twips per pixel), and the
  // tick goes that whole number of pixels down, onto the row of its value.
  const double rowOffset = std::nearbyint(125 / tpp) * tpp;
  const double tickLeft = W2 - 150;
  // The ink of a label ends at least this far before its tick.
  const double labelEnd = tickLeft - kGapPixels * tpp;
  const std::size_t n = ticks.values.size();

  struct Placed {
    double left, inkLeft, top;
  };
  const auto place = [&](const std::vector<std::string> &texts) {
    std::vector<Placed> out;
    for (std::size_t i = 0; i < n; ++i) {
      const double v = ticks.values[i];
      const std::string text = padded(texts[i]);
      const double width = main.TextWidth(text);
      double left = W2 - labelOffset;
      // A label too wide for the room moves left, to a whole pixel so that
      // rounding cannot bring it back towards the tick.
      if (left + width > labelEnd) left = std::floor((labelEnd - width) / tpp) * tpp;
      const double ink = width - main.TextWidth(texts[i]);
      // Its top in twips from the strip's: 75 twips above the tick.
      double top = (yHi - v) / (yHi - yLo) * graphHeight + rowOffset - placement::yLabelRaise;
      // The lowest label moves up into the strip rather than be cut by its edge.
      const double height = main.TextHeight(text);
      if (onPixel(top, tpp) + height > H2) top = std::floor((H2 - height) / tpp) * tpp;
      if (top < 0) top = 0;
      out.push_back({left, left + ink, top});
    }
    return out;
  };
  const auto clear = [&](const std::vector<Placed> &placed) {
    return std::all_of(placed.begin(), placed.end(), [&](const Placed &p) { return p.inkLeft >= clearOf; });
  };

  std::vector<std::string> texts = labelTexts(ticks.values, false);
  std::vector<Placed> placed = place(texts);
  if (!clear(placed)) {
    std::vector<std::string> shorter = labelTexts(ticks.values, true);
    if (widest(main, shorter) < widest(main, texts)) {
      texts = std::move(shorter);
      placed = place(texts);
    }
  }
  // Neither form fits: a long counter or time stamp keeps only the digits that change.
  std::string titleTerm;
  if (!clear(placed)) {
    if (auto offset = offsetForm(ticks, yLo, yHi); offset && widest(main, offset->texts) < widest(main, texts)) {
      texts = std::move(offset->texts);
      titleTerm = std::move(offset->term);
      placed = place(texts);
    }
  }

  // Labels closer than a line apart keep only every 2nd, 5th, ... of them.
  std::vector<bool> shown;
  for (int factor : kThinning) {
    shown = shownLabels(ticks, factor);
    double previous = -1e300;
    bool apart = true;
    for (std::size_t i = 0; i < n; ++i) {
      if (!shown[i]) continue;
      const double top = std::min(placed[i].top, H2);
      if (std::abs(top - previous) < main.TextHeight(texts[i])) apart = false;
      previous = top;
    }
    if (apart) break;
  }

  double inkLeft = W2;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = ticks.values[i];
    // v's distance below the upper limit, below the graph area's row for v.
    const double ty = (yHi - v) + rowOffset * (SH / H2);
    yPicture.Line(tickLeft, ty, W2, ty);
    if (!shown[i]) continue;
    Placed p = placed[i];
    // Never cut at the window's edge, whatever else it runs into.
    if (p.inkLeft < 0) {
      p.left += std::ceil(-p.inkLeft / tpp) * tpp;
      p.inkLeft = p.left + (p.inkLeft - placed[i].left);
    }
    inkLeft = std::min(inkLeft, p.inkLeft);
    yPicture.setCurrentX(p.left);
    yPicture.setCurrentY(p.top * (SH / H2));
    yPicture.Print(padded(texts[i]));
  }
  return {inkLeft, titleTerm};
}

std::string yTitleWith(const std::string &yTitle, const YLabels &labels) {
  if (labels.titleTerm.empty()) return yTitle;
  // An untitled axis still needs a name for what its labels count from.
  return (yTitle.empty() ? std::string("y") : yTitle) + labels.titleTerm;
}

void drawXTicks(const MainForm &main, Surface &xPicture, const AxisTicks &ticks, double xLo, double xHi,
                double graphWidth) {
  const double W3 = xPicture.Width();
  const double tpp = twipsPerPixel(main);
  xPicture.Scale(0, 0, (xHi - xLo) * (W3 / graphWidth), xPicture.Height());
  const double SW = xPicture.ScaleWidth();
  const std::size_t n = ticks.values.size();

  // Each label's left end in twips from the strip's left edge: centred on its
  // tick, and moved inward to end at an edge it would cross (the right one is
  // the window's), on a whole pixel.
  const auto place = [&](const std::vector<std::string> &texts) {
    std::vector<double> lefts;
    for (std::size_t i = 0; i < n; ++i) {
      const double width = main.TextWidth(texts[i]);
      const double tick = 240 + (ticks.values[i] - xLo) / (xHi - xLo) * graphWidth;
      double left = tick - width / 2;
      if (onPixel(left, tpp) + width > W3) left = std::floor((W3 - width) / tpp) * tpp;
      if (left < 0) left = 0;
      lefts.push_back(left);
    }
    return lefts;
  };
  // Labels run together when less than a character's width apart.
  const double space = main.TextWidth("0");
  const auto apart = [&](const std::vector<std::string> &texts, const std::vector<double> &lefts,
                         const std::vector<bool> &shown) {
    double previousEnd = -1e300;
    // From left to right: a reversed axis has its values the other way round.
    for (std::size_t j = 0; j < n; ++j) {
      const std::size_t i = n > 1 && lefts[0] > lefts[n - 1] ? n - 1 - j : j;
      if (!shown[i]) continue;
      if (lefts[i] - previousEnd < space) return false;
      previousEnd = lefts[i] + main.TextWidth(texts[i]);
    }
    return true;
  };

  std::vector<std::string> texts = labelTexts(ticks.values, false);
  std::vector<double> lefts = place(texts);
  std::vector<bool> shown = shownLabels(ticks, 1);
  if (!apart(texts, lefts, shown)) {
    std::vector<std::string> shorter = labelTexts(ticks.values, true);
    if (widest(main, shorter) < widest(main, texts)) {
      texts = std::move(shorter);
      lefts = place(texts);
    }
    for (int factor : kThinning) {
      shown = shownLabels(ticks, factor);
      if (apart(texts, lefts, shown)) break;
    }
  }

  for (std::size_t i = 0; i < n; ++i) {
    // The strip starts 240 twips left of the graph area.
    const double tx = 240 * (SW / W3) + (ticks.values[i] - xLo);
    xPicture.Line(tx, 0, tx, 150);
    if (!shown[i]) continue;
    xPicture.setCurrentY(placement::xLabelTop);
    xPicture.setCurrentX(lefts[i] * (SW / W3));
    xPicture.Print(texts[i]);
  }
}

void drawTitles(const MainForm &main, Surface &yPicture, Surface &xPicture, const std::string &yTitle,
                const std::string &xTitle, std::int32_t size, double yLabelsLeft, double graphWidth,
                double graphHeight) {
  const double tpp = twipsPerPixel(main);
  if (drawing::usable(yPicture)) {
    const SurfaceFont font = drawing::labelFont(size, placement::upward, main);
    const double w = main.FontTextWidth(yTitle, font), h = main.FontTextHeight(yTitle, font);
    const double H2 = yPicture.Height();
    // The title's right-hand edge at 300 twips, further left (as far as the
    // window's edge) where the labels reach beyond that.
    const double right = std::max(h, std::min(placement::yTitleEdge, yLabelsLeft - kGapPixels * tpp));
    // Reading upward from its lower end, centred on the graph area's rows.
    double y = std::nearbyint(125 / tpp) * tpp + (graphHeight + w) / 2;
    if (w <= H2) y = std::clamp(y, w, H2);
    drawing::FontSelection select(yPicture, font);
    yPicture.setCurrentX(std::floor((right - h) / tpp) * tpp);
    yPicture.setCurrentY(y);
    yPicture.Print(yTitle);
  }
  if (drawing::usable(xPicture)) {
    const SurfaceFont font = drawing::labelFont(size, 0, main);
    const double w = main.FontTextWidth(xTitle, font), h = main.FontTextHeight(xTitle, font);
    const double W3 = xPicture.Width(), H3 = xPicture.Height();
    // Centred on the graph area, which starts 240 twips into the strip.
    double x = 240 + (graphWidth - w) / 2;
    if (w <= W3) x = std::clamp(x, 0.0, W3 - w);
    // 380 twips above the strip's lower edge, higher where it would run off it.
    double y = H3 - placement::xTitleRaise;
    if (y + h > H3) y = std::max(0.0, H3 - h);
    drawing::FontSelection select(xPicture, font);
    xPicture.setCurrentX(x);
    xPicture.setCurrentY(y);
    xPicture.Print(xTitle);
  }
}

}  // namespace vesk
