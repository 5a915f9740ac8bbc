#pragma once

#include "surface/Surface.h"

#include <array>
#include <cstdint>
#include <unordered_set>

namespace vesk {

// The markers of one data set drawn so far, by the pixels their ends fall on.
// All of a set's markers are drawn one pixel wide in the same colour, over
// whatever lay there, so a marker whose ends fall on the same pixels as one
// drawn before it in the set would paint only pixels that already hold its
// colour: it can be left out without changing the picture.
class DrawnMarkers {
public:
  // True the first time a marker of this style with these half sizes lands on
  // these pixels, and whenever the surface cannot tell.
  bool first(const Surface &surface, std::int16_t style, double x, double y, double hx, double hy);

private:
  using Key = std::array<int, 7>;
  struct KeyHash {
    std::size_t operator()(const Key &k) const;
  };
  std::unordered_set<Key, KeyHash> seen;
};

}  // namespace vesk
