#include "core/perspective/view_layout.h"

#include "core/util/text_format.h"

namespace glkov {

ViewLayout LayoutViews(int aw, int ah, int w, int h) {
  ViewLayout l;
  if (w <= 0 || h <= 0 || aw <= 0 || ah <= 0) return l;
  const double fw = static_cast<double>(aw) / w;
  const double fh = static_cast<double>(ah) / h;
  l.FitScale = static_cast<double>(w) * ah > static_cast<double>(h) * aw ? fw : fh;
  l.DisplayWidth = static_cast<int>(RoundHalfEven64(w * l.FitScale));
  l.DisplayHeight = static_cast<int>(RoundHalfEven64(h * l.FitScale));
  l.Left = (aw - l.DisplayWidth) / 2;
  l.Top = (ah - l.DisplayHeight) / 2;
  return l;
}

std::string ScaleText(double fitScale) {
  return std::to_string(RoundHalfEven64(fitScale * 100)) + "%";
}

}  // namespace glkov
