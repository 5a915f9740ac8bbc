#pragma once

namespace vesk::layout {

// A picture box's place in the client area and the user coordinates it starts
// with, all in twips (1/1440 inch) except the scale.
struct Box {
  double left, top, width, height;
  double scaleLeft, scaleTop, scaleRight, scaleBottom;
};

// The client area: 720 x 478 pixels at 15 twips per pixel.
inline constexpr double clientWidth = 10800;
inline constexpr double clientHeight = 7170;

// Graph area (Picture1, the engine's mainPicture), white. It lies over the y
// strip where the two overlap, 45 twips along its left edge.
inline constexpr Box graphArea{1080, 120, 9600, 6100, 0, 0, 0.9969, 0.9959};
// y-label strip (Picture2, yPicture).
inline constexpr Box yStrip{0, 0, 1125, 6225, 0, 0, 1.0, 1.0008};
// x-label strip (Picture3, xPicture): starts in twips from its top-left corner.
inline constexpr Box xStrip{840, 6240, 9960, 855, 0, 0, 9960, 855};

}  // namespace vesk::layout
