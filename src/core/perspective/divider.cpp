#include "core/perspective/divider.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/perspective/sub_scenes.h"
#include "core/util/text_format.h"

namespace glkov {

double DividerScaleFor(int aw, int ah, int width, int height) {
  if (aw <= 0 || ah <= 0 || width <= 0 || height <= 0) return 0;
  return std::min(static_cast<double>(aw) / width, static_cast<double>(ah) / height);
}

std::string DividerScaleText(double scale) {
  return std::to_string(RoundHalfEven(scale * 100)) + "%";
}

int DividerToDisplay(int p, double scale) { return RoundHalfEven(p * scale); }

int DividerToPicture(int d, double scale) {
  if (scale <= 0) return 0;
  return RoundHalfEven(d / scale);
}

DividerPick DividerPickAt(const std::vector<TMeshRegion>& regions, int x, int y, double scale) {
  const int corner = scale > 0 ? RoundHalfEven(10 / scale) : 0;
  const int band = std::max(1, scale > 0 ? RoundHalfEven(3 / scale) : 1);
  enum Rank { Corner, Edge, Inside, Missed };
  DividerPick best;
  Rank bestRank = Missed;
  int64_t bestArea = 0;
  for (size_t i = 0; i < regions.size(); ++i) {
    const TMeshRegion& r = regions[i];
    const bool inside = r.Left < x && x < r.Right && r.Top < y && y < r.Bottom;
    const bool nearX = r.Left - band <= x && x <= r.Right + band;
    const bool nearY = r.Top - band <= y && y <= r.Bottom + band;
    const bool onEdge = nearX && nearY &&
                        (std::abs(x - r.Left) <= band || std::abs(x - r.Right) <= band ||
                         std::abs(y - r.Top) <= band || std::abs(y - r.Bottom) <= band);
    Rank rank = Missed;
    if (inside && r.Right - corner < x && r.Bottom - corner < y)
      rank = Corner;
    else if (onEdge)
      rank = Edge;
    else if (inside)
      rank = Inside;
    if (rank == Missed) continue;
    const int64_t area = static_cast<int64_t>(r.Right - r.Left) * (r.Bottom - r.Top);
    if (rank < bestRank || (rank == bestRank && area < bestArea)) {
      bestRank = rank;
      bestArea = area;
      best = {static_cast<int>(i),
              rank == Corner ? DividerDragMode::Resize : DividerDragMode::Move};
    }
  }
  return best;
}

DividerRect RegionRect(const TMeshRegion& region) {
  return {region.Left, region.Top, region.Right, region.Bottom};
}

namespace {

// Shifts [lo, hi] by d inside [0, limit - 1], keeping its length where it fits.
void MoveSpan(int& lo, int& hi, int d, int limit) {
  int len = std::clamp(hi - lo, 0, std::max(limit - 1, 0));
  lo = std::clamp(lo + d, 0, std::max(limit - 1 - len, 0));
  hi = lo + len;
}

// Moves hi by d, keeping lo <= hi <= limit - 1 (lo itself first brought into the picture).
void ResizeSpan(int& lo, int& hi, int d, int limit) {
  lo = std::clamp(lo, 0, std::max(limit - 1, 0));
  hi = std::clamp(hi + d, lo, std::max(limit - 1, lo));
}

}  // namespace

DividerRect DividerDrag(DividerRect start, DividerDragMode mode, int dx, int dy, int picW,
                        int picH) {
  DividerRect r = start;
  if (mode == DividerDragMode::Move) {
    MoveSpan(r.Left, r.Right, dx, picW);
    MoveSpan(r.Top, r.Bottom, dy, picH);
  } else if (mode == DividerDragMode::Resize) {
    ResizeSpan(r.Left, r.Right, dx, picW);
    ResizeSpan(r.Top, r.Bottom, dy, picH);
  }
  return r;
}

void ApplyDividerRect(TMeshRegion& region, const DividerRect& rect) {
  const bool resized = rect.Right - rect.Left != region.Right - region.Left ||
                       rect.Bottom - rect.Top != region.Bottom - region.Top;
  region.Left = rect.Left;
  region.Top = rect.Top;
  region.Right = rect.Right;
  region.Bottom = rect.Bottom;
  if (resized) DefaultRegionMesh(region);
}

}  // namespace glkov
