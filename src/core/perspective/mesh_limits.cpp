#include "core/perspective/mesh_limits.h"

#include <algorithm>

namespace glkov {

namespace {

// v brought into [lo, hi]; lo wins when the range is empty.
double Limit(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }

}  // namespace

void KeepMeshInside(TProject& p, int tag) {
  const double w = p.PicWidth;
  const double h = p.PicHeight;
  switch (tag) {
    case 2:
      p.VanishX = Limit(p.VanishX, p.InnerLeft + kVanishMargin, p.InnerRight - kVanishMargin);
      p.VanishY = Limit(p.VanishY, p.InnerBottom + kVanishMargin, p.InnerTop - kVanishMargin);
      break;
    case 3:
    case 4:
      p.InnerLeft = Limit(p.InnerLeft, 0, std::min(w, p.VanishX - kVanishMargin));
      break;
    case 5:
    case 6:
      p.InnerRight = Limit(p.InnerRight, std::max(0.0, p.VanishX + kVanishMargin), w);
      break;
    default:
      return;
  }
  if (tag == 3 || tag == 5)
    p.InnerBottom = Limit(p.InnerBottom, 0, std::min(h, p.VanishY - kVanishMargin));
  else if (tag == 4 || tag == 6)
    p.InnerTop = Limit(p.InnerTop, std::max(0.0, p.VanishY + kVanishMargin), h);
}

std::optional<std::string> MeshProblem(const TProject& p) {
  if (p.InnerLeft < 0 || p.InnerBottom < 0 || p.InnerRight > p.PicWidth || p.InnerTop > p.PicHeight)
    return "The inner rectangle reaches outside the picture. Drag its corners onto the picture "
           "before ticking \"Done\".";
  if (!(p.InnerLeft < p.InnerRight && p.InnerBottom < p.InnerTop))
    return "The inner rectangle has no area: its left corners must lie left of its right "
           "corners and its bottom corners below its top corners.";
  if (!(p.InnerLeft < p.VanishX && p.VanishX < p.InnerRight && p.InnerBottom < p.VanishY &&
        p.VanishY < p.InnerTop))
    return "The vanishing point lies outside the inner rectangle, so the room's walls would be "
           "turned inside out. Drag it into the rectangle before ticking \"Done\".";
  return std::nullopt;
}

}  // namespace glkov
