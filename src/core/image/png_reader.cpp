// PNG files through libpng's simplified API, decoded straight into the rows of the picture.
#include <png.h>

#include <string>

#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"

namespace glkov {
namespace {

// Frees libpng's state on every way out.
struct PngImageFree {
  png_image* image;
  ~PngImageFree() { png_image_free(image); }
};

}  // namespace

TFastBMP ReadPngPicture(const std::string& fileName, const std::vector<uint8_t>& data) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  PngImageFree freer{&image};
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
    PictureError(fileName, image.message);
  }
  CheckPictureSize(fileName, image.width, image.height);
  image.format = PNG_FORMAT_BGR;
  TFastBMP out(static_cast<int>(image.width), static_cast<int>(image.height));
  const png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, out.Bits(), static_cast<png_int_32>(out.RowStride()),
                             nullptr)) {
    PictureError(fileName, image.message);
  }
  return out;
}

}  // namespace glkov
