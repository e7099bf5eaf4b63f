#include "core/objects/extraction.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "core/error.h"
#include "core/model/project.h"

namespace glkov {

namespace {

constexpr BgrColour kBlack{0, 0, 0};

// Largest label value a 24-bit label image can hold; it is needed for "no object".
constexpr size_t kMaxLabel = 0xFFFFFF;

inline uint32_t Key(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16;
}

inline uint32_t Key(BgrColour c) {
  return static_cast<uint32_t>(c.B) | static_cast<uint32_t>(c.G) << 8 |
         static_cast<uint32_t>(c.R) << 16;
}

inline void Put(uint8_t* p, BgrColour c) {
  p[0] = c.B;
  p[1] = c.G;
  p[2] = c.R;
}

inline void PutLabel(uint8_t* p, uint32_t label) {
  p[0] = static_cast<uint8_t>(label >> 16);
  p[1] = static_cast<uint8_t>(label >> 8);
  p[2] = static_cast<uint8_t>(label);
}

struct Seed {
  int X;
  int Row;
};

// The fill itself; the stack is passed in so that one extraction reuses its storage.
FillBox Fill(TFastBMP& image, int x, int row, BgrColour fill, int maxX, int maxRow,
             std::vector<Seed>& stack, std::vector<RegionSpan>* spans) {
  FillBox box;
  maxX = std::min(maxX, image.Width() - 1);
  maxRow = std::min(maxRow, image.Height() - 1);
  if (x < 0 || row < 0 || x > maxX || row > maxRow) return box;
  const uint32_t target = Key(image.Pixel(x, row));
  if (target == Key(fill)) return box;

  auto matches = [target](const uint8_t* line, int column) {
    return Key(line + 3 * static_cast<size_t>(column)) == target;
  };
  // One seed per run of target pixels on a neighbouring row between columns left and right.
  auto seedRow = [&](int r, int left, int right) {
    const uint8_t* line = image.Row(r);
    bool inRun = false;
    for (int c = left; c <= right; ++c) {
      if (matches(line, c)) {
        if (!inRun) stack.push_back({c, r});
        inRun = true;
      } else {
        inRun = false;
      }
    }
  };

  stack.clear();
  stack.push_back({x, row});
  while (!stack.empty()) {
    const Seed s = stack.back();
    stack.pop_back();
    uint8_t* line = image.Row(s.Row);
    if (!matches(line, s.X)) continue;  // filled since it was pushed
    int left = s.X;
    while (left > 0 && matches(line, left - 1)) --left;
    int right = s.X;
    while (right < maxX && matches(line, right + 1)) ++right;
    for (int c = left; c <= right; ++c) Put(line + 3 * static_cast<size_t>(c), fill);
    if (spans) spans->push_back({s.Row, left, right});
    box.MinX = std::min(box.MinX, left);
    box.MaxX = std::max(box.MaxX, right);
    box.MinRow = std::min(box.MinRow, s.Row);
    box.MaxRow = std::max(box.MaxRow, s.Row);
    if (s.Row + 1 <= maxRow) seedRow(s.Row + 1, left, right);
    if (s.Row - 1 >= 0) seedRow(s.Row - 1, left, right);
  }
  return box;
}

void OutlineBox(TFastBMP& image, const FillBox& b) {
  for (int c = b.MinX; c <= b.MaxX; ++c) {
    image.Pixel(c, b.MinRow)[1] = 255;
    image.Pixel(c, b.MaxRow)[1] = 255;
  }
  for (int r = b.MinRow; r <= b.MaxRow; ++r) {
    image.Pixel(b.MinX, r)[1] = 255;
    image.Pixel(b.MaxX, r)[1] = 255;
  }
}

}  // namespace

void QuantizeMask(const TFastBMP& mask, int threshold, TFastBMP& working) {
  const int w = mask.Width();
  const int h = mask.Height();
  if (working.Width() != w || working.Height() != h) working.SetSize(w, h);
  if (mask.Empty()) return;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = mask.Row(y);
    uint8_t* dst = working.Row(y);
    if (y == 0 || y == h - 1) {
      std::memset(dst, 0, 3 * static_cast<size_t>(w));
      continue;
    }
    for (int x = 0; x < w; ++x) {
      const uint8_t v = src[3 * x + 2] > threshold ? 255 : 0;
      dst[3 * x] = v;
      dst[3 * x + 1] = v;
      dst[3 * x + 2] = v;
    }
    std::memset(dst, 0, 3);
    std::memset(dst + 3 * static_cast<size_t>(w - 1), 0, 3);
  }
}

FillBox FloodFill(TFastBMP& image, int x, int row, BgrColour fill, int maxX, int maxRow,
                  std::vector<RegionSpan>* spans) {
  std::vector<Seed> stack;
  return Fill(image, x, row, fill, maxX, maxRow, stack, spans);
}

void ClickFill(TFastBMP& working, int x, int row) {
  FloodFill(working, x, row, kBlack, working.Width() - 1, working.Height() - 1);
}

ExtractionResult ExtractObjects(const TFastBMP& mask, const ExtractOptions& options,
                                int picHeight) {
  ExtractionResult result;
  ExtractObjects(mask, options, picHeight, result);
  return result;
}

void ExtractObjects(const TFastBMP& mask, const ExtractOptions& options, int picHeight,
                    ExtractionResult& result) {
  result.Rows.clear();
  result.Spans.clear();
  TFastBMP& work = result.Working;
  QuantizeMask(mask, options.Threshold, work);
  const int w = work.Width();
  const int h = work.Height();
  std::vector<Seed> stack;
  std::vector<FillBox> kept;
  uint32_t candidates = 0;  // 32-bit count of listed rows; the marker takes it modulo 256
  for (int row = 1; row <= h - 2; ++row) {
    uint8_t* line = work.Row(row);
    for (int x = 1; x <= w - 2; ++x) {
      const uint8_t* p = line + 3 * static_cast<size_t>(x);
      if (p[0] != 255 || p[1] != 255 || p[2] != 255) continue;
      const size_t firstSpan = result.Spans.size();
      const BgrColour marker{255, 128, static_cast<uint8_t>(candidates & 0xFF)};
      const FillBox box = Fill(work, x, row, marker, w - 1, h - 1, stack, &result.Spans);
      if (options.NoSmall && box.MaxX - box.MinX < options.MinSize &&
          box.MaxRow - box.MinRow < options.MinSize) {
        result.Spans.resize(firstSpan);  // a dropped region keeps its marker, nothing else
        continue;
      }
      ++candidates;
      ExtractedRow r;
      r.Number = static_cast<int>(candidates);
      r.X1 = box.MinX;
      r.Y1 = (picHeight - 1) - box.MaxRow;
      r.X2 = box.MaxX;
      r.Y2 = (picHeight - 1) - box.MinRow;
      r.FirstSpan = firstSpan;
      r.SpanCount = result.Spans.size() - firstSpan;
      result.Rows.push_back(r);
      kept.push_back(box);
    }
  }
  // The outlines go in only after the scan: an outline over the marker with red 255 would turn
  // it white again and the region would be found a second time.
  for (const FillBox& box : kept) OutlineBox(work, box);
}

int LabelAt(const TFastBMP& labelImage, int column, int row) {
  if (column < 0 || row < 0 || column >= labelImage.Width() || row >= labelImage.Height()) {
    return -1;
  }
  const uint8_t* p = labelImage.Pixel(column, row);
  return static_cast<int>(static_cast<uint32_t>(p[2]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[0]) << 16);
}

void MakeLabelImage(const ExtractionResult& result, TFastBMP& label) {
  const int w = result.Working.Width();
  const int h = result.Working.Height();
  size_t ticked = 0;
  for (const ExtractedRow& r : result.Rows) {
    if (!r.Checked) continue;
    ++ticked;
    if (r.FirstSpan > result.Spans.size() || r.SpanCount > result.Spans.size() - r.FirstSpan) {
      throw Error("The extraction list does not match its regions.");
    }
    for (size_t i = r.FirstSpan; i < r.FirstSpan + r.SpanCount; ++i) {
      const RegionSpan& s = result.Spans[i];
      if (s.Row < 0 || s.Row >= h || s.X0 < 0 || s.X1 >= w || s.X0 > s.X1) {
        throw Error("The extraction list does not match its regions.");
      }
    }
  }
  if (ticked >= kMaxLabel) {
    throw Error("Too many objects: at most " + std::to_string(kMaxLabel - 1) +
                " objects can be accepted.");
  }
  if (label.Width() != w || label.Height() != h) label.SetSize(w, h);
  const uint32_t none = static_cast<uint32_t>(ticked);
  for (int y = 0; y < h; ++y) {
    uint8_t* line = label.Row(y);
    if (none == 0) {
      std::memset(line, 0, 3 * static_cast<size_t>(w));
      continue;
    }
    for (int x = 0; x < w; ++x) PutLabel(line + 3 * static_cast<size_t>(x), none);
  }
  uint32_t k = 0;
  for (const ExtractedRow& r : result.Rows) {
    if (!r.Checked) continue;
    for (size_t i = r.FirstSpan; i < r.FirstSpan + r.SpanCount; ++i) {
      const RegionSpan& s = result.Spans[i];
      uint8_t* line = label.Row(s.Row);
      for (int x = s.X0; x <= s.X1; ++x) PutLabel(line + 3 * static_cast<size_t>(x), k);
    }
    ++k;
  }
}

void AcceptExtraction(TProject& p, const ExtractionResult& result, bool overwritePositions) {
  MakeLabelImage(result, p.LabelImage);  // may throw; nothing is changed before it

  const bool first = p.fgObjs.empty();
  const size_t oldCount = p.fgObjs.size();
  std::vector<TfgObj> objs;
  bool changed = false;
  for (const ExtractedRow& r : result.Rows) {
    if (!r.Checked) continue;
    const size_t k = objs.size();
    if (k < oldCount) {
      TfgObj o = std::move(p.fgObjs[k]);
      if (overwritePositions) {
        changed = changed || o.X1 != r.X1 || o.Y1 != r.Y1 || o.X2 != r.X2 || o.Y2 != r.Y2;
        o.X1 = r.X1;
        o.Y1 = r.Y1;
        o.X2 = r.X2;
        o.Y2 = r.Y2;
        o.TexUploaded = false;
      }
      objs.push_back(std::move(o));
    } else {
      TfgObj o;
      o.X1 = r.X1;
      o.Y1 = r.Y1;
      o.X2 = r.X2;
      o.Y2 = r.Y2;
      o.Name = "Object " + std::to_string(k + 1);
      o.Parent = kFloor;
      objs.push_back(std::move(o));
    }
  }
  changed = changed || objs.size() != oldCount;
  p.Modified = p.Modified || first || changed;
  p.fgObjs = std::move(objs);
  p.ObjectsExtracted = true;
  StoreWorkingRegion(p);
}

}  // namespace glkov
