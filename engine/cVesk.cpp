#include "engine/cVesk.h"

namespace vesk {

double cVesk::minmax(std::int16_t bound) const {
  switch (bound) {
    case 0:
      return m.xMin;
    case 1:
      return m.xMax;
    case 2:
      return m.yMin;
    case 3:
      return m.yMax;
    default:
      return 0;
  }
}

}  // namespace vesk
