#pragma once

// The scene divider's rules: the scale of the whole picture in its panel, conversions between
// display and picture pixels, picking, and moving or resizing a rectangle with the mouse.

#include <string>
#include <vector>

#include "core/model/types.h"

namespace glkov {

// Display pixels per picture pixel so that a width x height picture fits aw x ah display
// pixels; 0 when either size is not positive.
double DividerScaleFor(int aw, int ah, int width, int height);

// "%d%%" with Round(scale * 100) for the divider's status bar.
std::string DividerScaleText(double scale);

// d = Round(p * scale) and p = Round(d / scale) (half to even); a scale of 0 gives 0.
int DividerToDisplay(int p, double scale);
int DividerToPicture(int d, double scale);

enum class DividerDragMode { None, Move, Resize };

// The entry under the mouse and what a drag from there does to it.
struct DividerPick {
  int Index = -2;  // into the entries (0 the view window); -2 for none
  DividerDragMode Mode = DividerDragMode::None;
  bool operator==(const DividerPick&) const = default;
};

// The entry a press at the picture point takes. A point in an entry's bottom-right corner square
// (Round(10 / scale) picture pixels, inside it) resizes it; a point within Round(3 / scale)
// picture pixels (at least one) of an edge, or strictly inside, moves it. Corners come before
// edges, edges before insides, and among equals the smallest entry (by area) wins, so that a
// sub-scene inside the view window can be taken.
DividerPick DividerPickAt(const std::vector<TMeshRegion>& regions, int x, int y, double scale);

struct DividerRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const DividerRect&) const = default;
};

DividerRect RegionRect(const TMeshRegion& region);

// The rectangle start moved (all sides) or resized (Right and Bottom) by dx, dy picture pixels,
// kept inside a picW x picH picture with at least one pixel: a move keeps the size (as far as
// the picture allows), a resize keeps Left and Top.
DividerRect DividerDrag(DividerRect start, DividerDragMode mode, int dx, int dy, int picW,
                        int picH);

// Writes the rectangle into the entry; a changed size resets its mesh with DefaultRegionMesh.
void ApplyDividerRect(TMeshRegion& region, const DividerRect& rect);

}  // namespace glkov
