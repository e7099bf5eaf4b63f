#include "core/scene/depth_picture.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/error.h"
#include "core/scene/renderer.h"

namespace glkov {

std::vector<uint16_t> DepthPicture(const std::vector<float>& depth, int width, int height) {
  const size_t count = static_cast<size_t>(std::max(width, 0)) * std::max(height, 0);
  if (depth.size() != count) throw Error("The depth buffer does not match the frame size.");
  constexpr double n = kFrustumNear;
  constexpr double f = kFrustumFar;
  // Eye distance along the view direction from the window depth of a perspective projection;
  // negative where nothing was drawn.
  std::vector<double> distance(count);
  double nearest = std::numeric_limits<double>::max();
  double farthest = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!(depth[i] < 1.0f)) {
      distance[i] = -1;
      continue;
    }
    const double ndc = 2.0 * depth[i] - 1.0;
    distance[i] = 2.0 * n * f / (f + n - ndc * (f - n));
    nearest = std::min(nearest, distance[i]);
    farthest = std::max(farthest, distance[i]);
  }
  const double span = farthest > nearest ? farthest - nearest : 1.0;
  std::vector<uint16_t> picture(count, 65535);
  for (int y = 0; y < height; ++y) {
    const size_t from = static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width);
    const size_t to = static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) {
      const double d = distance[from + static_cast<size_t>(x)];
      if (d < 0) continue;
      picture[to + static_cast<size_t>(x)] =
          static_cast<uint16_t>(std::nearbyint((d - nearest) / span * 65535.0));
    }
  }
  return picture;
}

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp /*png*/) {}

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

}  // namespace

std::string EncodeGrey16Png(const std::vector<uint16_t>& values, int width, int height) {
  if (width <= 0 || height <= 0 ||
      values.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    throw Error("The depth picture does not match its size.");
  }
  // Big-endian rows, as PNG stores 16-bit samples.
  std::vector<uint8_t> rows(values.size() * 2);
  for (size_t i = 0; i < values.size(); ++i) {
    rows[2 * i] = static_cast<uint8_t>(values[i] >> 8);
    rows[2 * i + 1] = static_cast<uint8_t>(values[i] & 0xFF);
  }
  std::vector<png_bytep> rowPointers(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    rowPointers[static_cast<size_t>(y)] = rows.data() + static_cast<size_t>(y) * 2 * width;
  }
  std::string out;
  std::string message;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, &OnPngError, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    throw Error("Cannot write the depth picture (out of memory).");
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw Error("Cannot write the depth picture (" + message + ").");
  }
  png_set_write_fn(png, &out, &AppendToString, &NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 16,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rowPointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace glkov
