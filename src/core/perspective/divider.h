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

// The first entry (from 0, the view window) whose interior strictly contains the picture
// point; -2 when none does.
int DividerHitTest(const std::vector<TMeshRegion>& regions, int x, int y);

enum class DividerDragMode { None, Move, Resize };

// What a drag starting at the picture point would do: the first entry, in array order, whose
// interior holds the point gives Move, or Resize inside its bottom-right corner square of
// r = Round(10 / scale) picture pixels.
DividerDragMode DividerHover(const std::vector<TMeshRegion>& regions, int x, int y, double scale);

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
