#include "core/image/fast_bmp.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "core/error.h"

namespace glkov {

void TFastBMP::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw Error("Invalid picture size.");
  width_ = width;
  height_ = height;
  bits_.assign(RowStrideFor(width) * static_cast<size_t>(height), 0);
}

void TFastBMP::CropInto(TFastBMP& target, int left, int top, int right, int bottom) const {
  if (left > right || top > bottom || left < 0 || top < 0 || right >= width_ || bottom >= height_) {
    throw Error("The rectangle (" + std::to_string(left) + ", " + std::to_string(top) + ")-(" +
                std::to_string(right) + ", " + std::to_string(bottom) +
                ") does not lie inside the " + std::to_string(width_) + " x " +
                std::to_string(height_) + " picture.");
  }
  TFastBMP out(right - left + 1, bottom - top + 1);
  const size_t bytes = 3 * static_cast<size_t>(out.width_);
  for (int y = 0; y < out.height_; ++y) {
    std::memcpy(out.Row(y), Pixel(left, top + y), bytes);
  }
  target.Swap(out);
}

void TFastBMP::StretchInto(TFastBMP& target, int width, int height) const {
  TFastBMP out(width, height);
  if (!Empty()) {
    std::vector<int> column(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
      column[static_cast<size_t>(x)] =
          static_cast<int>(static_cast<int64_t>(x) * width_ / std::max(width, 1));
    }
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = Row(static_cast<int>(static_cast<int64_t>(y) * height_ / height));
      uint8_t* dst = out.Row(y);
      for (int x = 0; x < width; ++x) {
        std::memcpy(dst + 3 * x, src + 3 * column[static_cast<size_t>(x)], 3);
      }
    }
  }
  target.Swap(out);
}

void TFastBMP::StretchRectInto(TFastBMP& target, int x, int y, int w, int h) const {
  const int tw = target.width_;
  const int th = target.height_;
  if (tw <= 0 || th <= 0) return;
  for (int ty = 0; ty < th; ++ty) {
    const int64_t sy = y + (h > 0 ? static_cast<int64_t>(ty) * h / th : 0);
    uint8_t* dst = target.Row(ty);
    for (int tx = 0; tx < tw; ++tx) {
      const int64_t sx = x + (w > 0 ? static_cast<int64_t>(tx) * w / tw : 0);
      if (sx < 0 || sy < 0 || sx >= width_ || sy >= height_) {
        std::memset(dst + 3 * tx, 0, 3);
      } else {
        std::memcpy(dst + 3 * tx, Pixel(static_cast<int>(sx), static_cast<int>(sy)), 3);
      }
    }
  }
}

std::vector<uint8_t> TFastBMP::PackedPixels() const {
  const size_t row_bytes = 3 * static_cast<size_t>(width_);
  std::vector<uint8_t> out(row_bytes * static_cast<size_t>(height_));
  for (int y = 0; y < height_; ++y) {
    std::memcpy(out.data() + row_bytes * static_cast<size_t>(y), Row(y), row_bytes);
  }
  return out;
}

void TFastBMP::Swap(TFastBMP& other) noexcept {
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  bits_.swap(other.bits_);
}

}  // namespace glkov
