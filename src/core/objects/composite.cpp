#include "core/objects/composite.h"

#include <string>

#include "core/error.h"
#include "core/image/picture_file.h"

namespace glkov {

namespace {

std::string SizeText(const TFastBMP& p) {
  return std::to_string(p.Width()) + " x " + std::to_string(p.Height());
}

}  // namespace

TFastBMP ComposeMaskedImage(const TFastBMP& original, const TFastBMP& mask,
                            const TFastBMP& background) {
  if (original.Empty()) throw Error("No original picture is loaded.");
  if (mask.Empty()) throw Error("No mask picture is loaded.");
  if (background.Empty()) throw Error("No background picture is loaded.");
  const int w = original.Width();
  const int h = original.Height();
  if (mask.Width() != w || mask.Height() != h || background.Width() != w ||
      background.Height() != h) {
    throw Error("The original, mask and background pictures must have the same size (original " +
                SizeText(original) + ", mask " + SizeText(mask) + ", background " +
                SizeText(background) + ").");
  }
  TFastBMP out(w, h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* o = original.Row(y);
    const uint8_t* m = mask.Row(y);
    const uint8_t* b = background.Row(y);
    uint8_t* d = out.Row(y);
    for (int x = 0; x < w; ++x) {
      const int weight = m[3 * x + 2];
      for (int c = 3 * x; c < 3 * x + 3; ++c) {
        if (weight == 0) {
          d[c] = b[c];
        } else if (weight == 255) {
          d[c] = o[c];
        } else {
          d[c] = static_cast<uint8_t>(MulDiv255(o[c], weight) + MulDiv255(b[c], 255 - weight));
        }
      }
    }
  }
  return out;
}

void SaveMaskedImage(const TFastBMP& original, const TFastBMP& mask, const TFastBMP& background,
                     const std::string& fileName) {
  SaveBMP(fileName, ComposeMaskedImage(original, mask, background));
}

}  // namespace glkov
