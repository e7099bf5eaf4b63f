#include "core/image/png_save.h"

#include <png.h>

#include <string>

#include "core/error.h"
#include "core/util/atomic_file.h"

namespace glkov {

void SavePicturePNG(const std::string& fileName, const TFastBMP& picture) {
  if (picture.Empty()) throw Error("Cannot write " + fileName + ": the picture is empty.");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.Width());
  image.height = static_cast<png_uint_32>(picture.Height());
  image.format = PNG_FORMAT_BGR;
  const auto stride = static_cast<png_int_32>(picture.RowStride());
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, picture.Bits(), stride, nullptr)) {
    throw Error("Cannot write " + fileName + ": " + image.message);
  }
  std::string bytes(size, '\0');
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.Bits(), stride, nullptr)) {
    throw Error("Cannot write " + fileName + ": " + image.message);
  }
  bytes.resize(size);
  WriteFileAtomically(fileName, bytes);
}

}  // namespace glkov
