#pragma once

// The tools of the mask editor: brush and eraser strokes, filled and edge-snapped polygons,
// object selection from a box (GrabCut), feather, clear and invert.
//
// A mask is a 24-bit picture whose red byte is the object weight (0 background, 255 object,
// grey in between); the tools write all three bytes alike. Coordinates are buffer pixels: x to
// the right, rows from the top; a pixel's centre is its integer coordinate.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/ui_callbacks.h"

namespace glkov::vision {

struct MaskPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const MaskPoint&, const MaskPoint&) = default;
};

// A rectangle of pixels, inclusive bounds; empty when Right < Left or Bottom < Top.
struct MaskRect {
  int Left = 0;
  int Top = 0;
  int Right = -1;
  int Bottom = -1;
  bool Empty() const { return Right < Left || Bottom < Top; }
  int Width() const { return Right - Left + 1; }
  int Height() const { return Bottom - Top + 1; }
  friend bool operator==(const MaskRect&, const MaskRect&) = default;
};

// The smallest rectangle holding both (an empty one holds nothing).
MaskRect Unite(const MaskRect& a, const MaskRect& b);

// An all-black mask of the given size. Throws glkov::Error for a size below 1 x 1.
TFastBMP NewMask(int width, int height);

// The segment of a round brush of the given diameter (pixels, at least 1) from a to b, painted
// with value (255 brush, 0 eraser). Only the pixels within the stroke are touched; returns the
// rectangle that changed (clipped to the mask, empty when the stroke misses it).
MaskRect PaintStroke(TFastBMP& mask, MaskPoint a, MaskPoint b, int diameter, uint8_t value);

// Fills the polygon (vertices at pixel centres, closed automatically) with value: a pixel is
// filled when its centre lies inside or on the outline. Returns the rectangle that changed.
MaskRect FillPolygon(TFastBMP& mask, const std::vector<MaskPoint>& polygon, uint8_t value);

// The path along the strongest edges of a picture between clicked points, as the snapping lasso
// follows it (OpenCV's intelligent scissors, computed in a window around each pair of points).
class EdgeSnapper {
 public:
  // The picture must stay alive and unchanged while the snapper is used.
  explicit EdgeSnapper(const TFastBMP& picture);
  ~EdgeSnapper();
  EdgeSnapper(const EdgeSnapper&) = delete;
  EdgeSnapper& operator=(const EdgeSnapper&) = delete;

  // The pixels of the path from a to b, both included, each next to the one before (8-connected).
  // Points outside the picture are clamped to it.
  std::vector<MaskPoint> Path(MaskPoint a, MaskPoint b) const;

  // The closed outline through every click in order, each side snapped; the last point is
  // followed by the first.
  std::vector<MaskPoint> Outline(const std::vector<MaskPoint>& clicks) const;

 private:
  const TFastBMP& picture_;
};

struct SelectObjectOptions {
  int Iterations = 8;  // GrabCut rounds (plain GrabCut: 5)
  // Plain cv::grabCut from the box with the whole picture outside it as background, Iterations
  // rounds, nothing else: kept to measure the tuned selection against.
  bool Plain = false;
};

// "Select Object": the object inside a box, segmented with GrabCut, refined by strokes that mark
// pixels as surely object or surely background. The selection keeps GrabCut's colour models
// between refinements.
class ObjectSelection {
 public:
  // Segments the object inside box (clipped to the picture). The picture must stay alive and
  // unchanged while the selection is used. Throws glkov::Error when the box is smaller than
  // 3 x 3 pixels inside the picture. GrabCut runs round by round: callbacks hears the progress
  // after each round and may stop the work between rounds, which leaves the selection
  // Cancelled() and empty.
  ObjectSelection(const TFastBMP& picture, MaskRect box, const SelectObjectOptions& options = {},
                  UiCallbacks& callbacks = DefaultCallbacks());
  ~ObjectSelection();
  ObjectSelection(const ObjectSelection&) = delete;
  ObjectSelection& operator=(const ObjectSelection&) = delete;

  // Marks the pixels of a round-brush segment as surely object or surely background; Update
  // segments again with the marks. A stop between its rounds returns false and keeps the
  // selection as it was before the marks since the last result.
  void Mark(MaskPoint a, MaskPoint b, int diameter, bool object);
  bool Update(UiCallbacks& callbacks = DefaultCallbacks());

  // True when the user stopped the selection while it was being made: it selects nothing.
  bool Cancelled() const;

  // The box the selection works in (the picture around the given box).
  MaskRect Area() const;
  // The selected object as mask values (255 object, 0 not), the size of the picture.
  TFastBMP Result() const;
  // Writes the selected object white into mask (which has the picture's size; nothing else of
  // it changes); returns the rectangle that changed.
  MaskRect AddTo(TFastBMP& mask) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Softens the mask's edge: the mask is taken as two levels (red byte >= 128 object) and becomes
// a ramp across the edge, black to white over about width pixels centred on the edge; pixels
// further than width / 2 from the edge stay pure black or white. width 0 leaves the mask as it
// is. Throws glkov::Error for a negative width. The work runs in bands of rows, reporting progress
// to callbacks after each; when it asks to stop, the mask is left as it was and the result is
// false.
bool FeatherMask(TFastBMP& mask, int width, UiCallbacks& callbacks = DefaultCallbacks());

// Every pixel black.
void ClearMask(TFastBMP& mask);

// Every value v becomes 255 - v.
void InvertMask(TFastBMP& mask);

// The union of b into a (per pixel the larger value); both the same size.
void UniteMasks(TFastBMP& a, const TFastBMP& b);

// The editor's view of a rectangle of the mask: the picture with the mask laid over it as a
// half-transparent colour (bareMask: the mask alone). view has the picture's size; only rect
// (clipped) is drawn. The picture and the mask have the same size.
void DrawMaskOverlay(const TFastBMP& picture, const TFastBMP& mask, MaskRect rect, bool bareMask,
                     TFastBMP& view);

// Number of pixels whose red byte is at least 128.
int64_t CountMaskPixels(const TFastBMP& mask);

}  // namespace glkov::vision
