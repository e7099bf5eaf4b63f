#pragma once

// Object extraction: the mask reduced to two levels, every 4-connected bright region found with
// a scanline flood fill, small regions dropped, the rest listed with their bounding boxes.

#include <vector>

#include "core/image/fast_bmp.h"

namespace glkov {

struct TProject;

struct ExtractOptions {
  int Threshold = 128;  // a pixel is an object pixel when its red byte is greater
  bool NoSmall = true;  // drop regions smaller than MinSize in both directions
  int MinSize = 16;
};

// One row of the extraction list; X1..Y2 in picture coordinates (y up) of a picture PicHeight
// rows high.
struct ExtractedRow {
  int Number = 0;  // 1-based caption
  int X1 = 0;
  int Y1 = 0;
  int X2 = 0;
  int Y2 = 0;
  bool Checked = true;
};

struct ExtractionResult {
  std::vector<ExtractedRow> Rows;
  TFastBMP Working;  // quantized mask with the regions filled: the label image
};

// Runs the whole extraction on a mask picture.
ExtractionResult ExtractObjects(const TFastBMP& mask, const ExtractOptions& options,
                                int picHeight);

// Accepts an extraction ("OK"): sets ObjectsExtracted, fills fgObjs from the ticked rows, keeps
// the label image and stores the working copy into the current sub-scene.
void AcceptExtraction(TProject& project, const ExtractionResult& result, bool overwritePositions);

}  // namespace glkov
