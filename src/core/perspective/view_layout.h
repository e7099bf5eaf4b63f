#pragma once

#include <string>

namespace glkov {

// Where the picture views go on a work page: one display scale for all views, the display size
// and the centred position inside the available area (display pixels).
struct ViewLayout {
  double FitScale = 1.0;  // display pixels per picture pixel
  int DisplayWidth = 0;
  int DisplayHeight = 0;
  int Left = 0;  // offset of the views inside the available area
  int Top = 0;
};

// Fits a w x h picture into an available area of aw x ah display pixels at the largest scale at
// which the whole picture shows. A picture or an area without size gives scale 1 and size 0.
ViewLayout LayoutViews(int aw, int ah, int w, int h);

// The status-bar text of a display scale: "%d%%" of the rounded percentage.
std::string ScaleText(double fitScale);

}  // namespace glkov
