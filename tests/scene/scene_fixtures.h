#pragma once

// Projects made in code for the scene tests: the 300 x 200 worked-example room and variants,
// with pictures whose pixels tell their own position.

#include <cmath>
#include <string>
#include <vector>

#include "core/model/project.h"
#include "core/ui_callbacks.h"
#include "support/test_support.h"

namespace glkov::testing {

// A pixel's colour encodes its column and buffer row: red = column mod 256, green = row mod 256,
// blue = 16 * (column / 256) + row / 256 + 1 (never 0, so a sampled texel is never black).
inline void FillPositionPattern(TFastBMP& bmp) {
  for (int row = 0; row < bmp.Height(); ++row) {
    for (int x = 0; x < bmp.Width(); ++x) {
      uint8_t* p = bmp.Pixel(x, row);
      p[2] = static_cast<uint8_t>(x % 256);
      p[1] = static_cast<uint8_t>(row % 256);
      p[0] = static_cast<uint8_t>(16 * (x / 256) + row / 256 + 1);
    }
  }
}

// Decodes an RGB texel of a position pattern into (column, buffer row); false for black.
inline bool DecodeTexel(const uint8_t* rgb, int* x, int* row) {
  if (rgb[2] == 0) return false;
  const int b = rgb[2] - 1;
  *x = rgb[0] + 256 * (b / 16);
  *row = rgb[1] + 256 * (b % 16);
  return true;
}

struct MeshSpec {
  int width = 300;
  int height = 200;
  double InnerLeft = 100, InnerRight = 200, InnerBottom = 66, InnerTop = 132;
  double VanishX = 150, VanishY = 99;
  double FocalLength = 260;
};

// A one-sub-scene project of the given picture size and mesh: "Window" (10, 10, w - 11, h - 11)
// with all mesh values 0 and "Region 1" covering the picture with the mesh; the three pictures
// carry the position pattern; objects count as extracted.
inline TProject MakeRoomProject(const MeshSpec& m = {}) {
  TProject p;
  p.PicWidth = m.width;
  p.PicHeight = m.height;
  for (TFastBMP* bmp : {&p.IOriginal, &p.IOriginal_r, &p.IBackground_r}) {
    bmp->SetSize(m.width, m.height);
    FillPositionPattern(*bmp);
  }
  p.IMask_r.SetSize(m.width, m.height);
  p.IBackground = p.IOriginal;
  p.IMask = p.IMask_r;
  TMeshRegion window;
  window.Name = "Window";
  window.Left = 10;
  window.Top = 10;
  window.Right = m.width - 11;
  window.Bottom = m.height - 11;
  TMeshRegion region;
  region.Name = "Region 1";
  region.Right = m.width - 1;
  region.Bottom = m.height - 1;
  region.InnerLeft = m.InnerLeft;
  region.InnerRight = m.InnerRight;
  region.InnerBottom = m.InnerBottom;
  region.InnerTop = m.InnerTop;
  region.VanishX = m.VanishX;
  region.VanishY = m.VanishY;
  p.MeshRegions = {window, region};
  p.CurrentRegion = 1;
  LoadRegion(p, 1);
  p.FocalLength = m.FocalLength;
  p.ObjectsExtracted = true;
  return p;
}

inline TfgObj MakeObject(const std::string& name, int x1, int y1, int x2, int y2, int parent) {
  TfgObj o;
  o.Name = name;
  o.X1 = x1;
  o.Y1 = y1;
  o.X2 = x2;
  o.Y2 = y2;
  o.Parent = parent;
  return o;
}

// True when every corner coordinate of every board and object is a finite number.
inline bool AllFinite(const TProject& p) {
  const auto finite = [](const auto& values) {
    for (const double v : values) {
      if (!std::isfinite(v)) return false;
    }
    return true;
  };
  for (const TBoard& b : p.Boards) {
    if (!finite(b.X) || !finite(b.Y) || !finite(b.Z)) return false;
  }
  for (const TfgObj& o : p.fgObjs) {
    if (!finite(o.X) || !finite(o.Y) || !finite(o.Z)) return false;
  }
  return std::isfinite(p.SceneScale) && std::isfinite(p.EyeDistance) && std::isfinite(p.EyeHeight);
}

}  // namespace glkov::testing
