#pragma once
// The body of the picture loader targets: the input becomes a file with the format's extension.
#include <cstddef>
#include <cstdint>

#include "core/error.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "fuzz_support.h"

namespace glkov::fuzz {

inline int FuzzPicture(const char* fileName, const uint8_t* data, size_t size) {
  const std::string path = WriteScratchFile(fileName, data, size);
  TFastBMP picture;
  try {
    LoadPictureFile(path, picture);
  } catch (const glkov::Error&) {
    // A clear refusal is the expected outcome for most inputs.
  }
  return 0;
}

}  // namespace glkov::fuzz
