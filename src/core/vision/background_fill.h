#pragma once

// The automatic background: the original picture with the mask's objects filled from their
// surroundings. A hole on a plane of the box (floor, ceiling, a side wall, the rear wall) is filled
// in that plane's front view, so that its texture keeps the plane's perspective; a hole on no
// plane is filled in the picture as it is.

#include <cstdint>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;

struct FillOptions {
  int Grow = 3;         // pixels the mask's objects are grown by, so their fringes are not copied
  int Threshold = 128;  // a mask pixel is an object pixel when its red byte is greater
};

// The perspective mesh of one sub-scene: its rectangle in the original picture (inclusive, rows
// from the top) and its vanishing point and inner rectangle in the sub-scene's picture
// coordinates (x from its left column, y up from its bottom row).
struct FillMesh {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  double InnerLeft = 0;
  double InnerRight = 0;
  double InnerBottom = 0;
  double InnerTop = 0;
  double VanishX = 0;
  double VanishY = 0;
};

// What the planes of the picture are: the sub-scenes in list order (a pixel takes the first that
// contains it) and the focal length in picture pixels.
struct FillGeometry {
  std::vector<FillMesh> Meshes;
  double FocalLength = 1;
};

struct FillResult {
  TFastBMP Background;     // the size of the original
  int64_t HolePixels = 0;  // pixels of the grown mask
  bool Cancelled = false;  // the user stopped it; Background is then empty
};

// The meshes of the project's sub-scenes (the working copy for the sub-scene it holds) and its
// focal length.
FillGeometry FillGeometryOf(const TProject& project);

// The pixels to fill, one byte per pixel (1 = fill), rows top-down: the mask's object pixels
// grown by options.Grow pixels (a disc). Throws glkov::Error when mask is empty.
std::vector<uint8_t> FillHoleMask(const TFastBMP& mask, const FillOptions& options = {});

// The quick preview: a diffusion fill of the grown mask (at reduced resolution for big pictures).
// Pixels outside the grown mask keep their values exactly. Throws glkov::Error when the pictures
// are empty or differ in size.
FillResult FillBackgroundPreview(const TFastBMP& original, const TFastBMP& mask,
                                 const FillOptions& options = {});

// The full fill along the planes of geometry. Reports "Filling background..." progress through
// ui.Progress and stops when ui.AbortRequested() (the result is then Cancelled). original is only
// read. Pixels outside the grown mask keep their values exactly. Throws glkov::Error when the
// pictures are empty or differ in size.
FillResult FillBackground(const TFastBMP& original, const TFastBMP& mask,
                          const FillGeometry& geometry, const FillOptions& options = {},
                          UiCallbacks& ui = DefaultCallbacks());

// The project's original filled under its mask along the project's meshes (FillBackground);
// Throws glkov::Error when the project has no original or no mask.
FillResult FillProjectBackground(const TProject& project, const FillOptions& options = {},
                                 UiCallbacks& ui = DefaultCallbacks());

}  // namespace glkov
