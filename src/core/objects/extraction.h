#pragma once

// Object extraction: the mask reduced to two levels, every 4-connected bright region found with
// a scanline flood fill, small regions dropped, the rest listed with their bounding boxes.
//
// Label image contract (TProject::LabelImage, written by AcceptExtraction): a picture of the size
// of the mask that was extracted, one label value per pixel, L = red + 256 * green + 65536 * blue.
// A pixel belongs to the foreground object fgObjs[k] exactly when L == k; every other pixel
// (background, dropped or unticked regions) carries L == the number of accepted objects, which is
// never an object's index. Read it with LabelAt(image, column, row) and compare with k. While
// fewer than 256 objects were accepted, green and blue are 0, so comparing the red byte alone with
// k gives the same answer. The image is valid while ObjectsExtracted is set.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/image/fast_bmp.h"

namespace glkov {

struct TProject;

struct ExtractOptions {
  int Threshold = 128;  // a pixel is an object pixel when its red byte is greater
  bool NoSmall = true;  // drop regions smaller than MinSize in both directions
  int MinSize = 16;     // pixels; compared with the extents (largest minus smallest index)
  // Where an extraction is accepted without asking (Make, the export): existing objects take the
  // extracted rectangles ("Overwrite Old Object Positions").
  bool OverwritePositions = true;
};

// A run of one region's pixels on buffer row Row (top-down), columns X0..X1 inclusive.
struct RegionSpan {
  int Row = 0;
  int X0 = 0;
  int X1 = 0;
};

// One row of the extraction list; X1..Y2 in picture coordinates (y up) of a picture PicHeight
// rows high. The region's pixels are Spans[FirstSpan .. FirstSpan + SpanCount) of the result.
struct ExtractedRow {
  int Number = 0;  // 1-based caption
  int X1 = 0;
  int Y1 = 0;
  int X2 = 0;
  int Y2 = 0;
  bool Checked = true;
  size_t FirstSpan = 0;
  size_t SpanCount = 0;
};

struct ExtractionResult {
  std::vector<ExtractedRow> Rows;
  std::vector<RegionSpan> Spans;
  // The preview: the quantized mask with every region filled in its marker colour
  // (blue 255, green 128, red = regions listed before it, modulo 256) and the boxes of the
  // listed regions outlined in green 255.
  TFastBMP Working;
};

// Bounding box of a flood fill, buffer columns and rows. An empty fill keeps the start values.
struct FillBox {
  int MinX = INT_MAX;
  int MaxX = 0;
  int MinRow = INT_MAX;
  int MaxRow = 0;
};

// A colour of a 24-bit picture in its byte order.
struct BgrColour {
  uint8_t B = 0;
  uint8_t G = 0;
  uint8_t R = 0;
};

// Sets working to the mask's size and reduces the mask to white (red byte greater than
// threshold) and black; the outermost rows and columns become black.
void QuantizeMask(const TFastBMP& mask, int threshold, TFastBMP& working);

// Scanline flood fill of the 4-connected region of the seed's colour with fill, limited to
// columns 0..maxX and rows 0..maxRow (clamped to the picture). Nothing is filled when the seed
// already has the fill colour or lies outside. When spans is given, the filled runs are appended.
FillBox FloodFill(TFastBMP& image, int x, int row, BgrColour fill, int maxX, int maxRow,
                  std::vector<RegionSpan>* spans = nullptr);

// A click on the preview at (x, row): paints the region under it black.
void ClickFill(TFastBMP& working, int x, int row);

// Runs the whole extraction on a mask picture; picHeight converts rows to picture y.
ExtractionResult ExtractObjects(const TFastBMP& mask, const ExtractOptions& options, int picHeight);

// The same into an earlier result, whose storage is reused (a large picture's first allocation
// costs more than the extraction itself).
void ExtractObjects(const TFastBMP& mask, const ExtractOptions& options, int picHeight,
                    ExtractionResult& result);

// The label value of a label image pixel (see the contract above); -1 outside the picture.
int LabelAt(const TFastBMP& labelImage, int column, int row);

// Builds the label image for the ticked rows of result, numbered 0, 1, ... in list order, into
// label (its storage is reused when the size matches). Throws glkov::Error, leaving label as it
// was, when more rows are ticked than labels exist or the rows do not match the spans.
void MakeLabelImage(const ExtractionResult& result, TFastBMP& label);

// Accepts an extraction ("OK"): sets ObjectsExtracted; fgObjs becomes one record per ticked row
// in list order (unticked rows are left out). A record that already existed at that index keeps
// its name, parent and texture and takes the row's rectangle only when overwritePositions is
// set; a new record takes the rectangle, the name "Object " + its number and Parent 1 (Floor).
// Writes the label image, sets Modified when the object list was empty before or has changed
// (never clears it), and stores the working copy into its sub-scene (StoreWorkingRegion).
// Throws glkov::Error when more objects are ticked than the label image can number.
void AcceptExtraction(TProject& project, const ExtractionResult& result, bool overwritePositions);

}  // namespace glkov
