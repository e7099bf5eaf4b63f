#pragma once

// The depth of a rendered frame as a 16-bit grey picture, for 3D displays and compositing.

#include <cstdint>
#include <string>
#include <vector>

namespace glkov {

// Turns a depth buffer (width x height values of 0 at the near plane to 1 at the far plane, the
// bottom row first, as OffscreenTarget::ReadDepthBottomUp gives it, drawn with the renderer's
// kFrustumNear and kFrustumFar) into distances along the view direction, scaled over the frame:
// 0 the nearest surface, 65535 the farthest one and where nothing was drawn. Rows top first.
std::vector<uint16_t> DepthPicture(const std::vector<float>& depth, int width, int height);

// A 16-bit greyscale PNG file of width x height values, rows top first. Throws glkov::Error when
// the sizes do not match.
std::string EncodeGrey16Png(const std::vector<uint16_t>& values, int width, int height);

}  // namespace glkov
