#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/image/pixel_allocator.h"

namespace glkov {

// A 24-bit picture in memory: rows top-down (row 0 is the top row), pixels of three bytes blue,
// green, red, each row padded to 3 * width + width % 4 bytes (a multiple of four).
class TFastBMP {
 public:
  TFastBMP() = default;
  TFastBMP(int width, int height) { SetSize(width, height); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  size_t RowStride() const { return RowStrideFor(width_); }
  static size_t RowStrideFor(int width) {
    return 3 * static_cast<size_t>(width) + static_cast<size_t>(width) % 4;
  }

  // Resizes the picture; every pixel becomes black.
  void SetSize(int width, int height);

  uint8_t* Row(int y) { return bits_.data() + static_cast<size_t>(y) * RowStride(); }
  const uint8_t* Row(int y) const { return bits_.data() + static_cast<size_t>(y) * RowStride(); }
  uint8_t* Pixel(int x, int y) { return Row(y) + 3 * static_cast<size_t>(x); }
  const uint8_t* Pixel(int x, int y) const { return Row(y) + 3 * static_cast<size_t>(x); }
  uint8_t* Bits() { return bits_.data(); }
  const uint8_t* Bits() const { return bits_.data(); }
  size_t SizeBytes() const { return bits_.size(); }

  // Copies the inclusive rectangle (rows counted from the top) into target, which takes its
  // size. Throws glkov::Error when the rectangle is empty or reaches outside the picture.
  void CropInto(TFastBMP& target, int left, int top, int right, int bottom) const;

  // Stretches the whole picture into target at width x height (nearest pixel, like a
  // colour-on-colour stretch).
  void StretchInto(TFastBMP& target, int width, int height) const;

  // Stretches the source rectangle (x, y, w, h; rows from the top; may reach outside the picture,
  // where it reads black) over the whole of target, which keeps its size.
  void StretchRectInto(TFastBMP& target, int x, int y, int w, int h) const;

  // The pixels without row padding, top row first: width * 3 bytes per row, blue, green, red.
  std::vector<uint8_t> PackedPixels() const;

  void Swap(TFastBMP& other) noexcept;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t, PixelAllocator<uint8_t>> bits_;
};

}  // namespace glkov
