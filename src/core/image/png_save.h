#pragma once

#include <string>

#include "core/image/fast_bmp.h"

namespace glkov {

// Writes the picture as a 24-bit PNG file, through a temporary file renamed into place. Throws
// glkov::Error naming the file and the cause (also for an empty picture).
void SavePicturePNG(const std::string& fileName, const TFastBMP& picture);

}  // namespace glkov
