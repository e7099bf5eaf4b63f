// Fuzzes the GIF decoder of the picture loader.
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return glkov::fuzz::FuzzPicture("input.gif", data, size);
}
