#include "core/scene/texture_view.h"

#include <algorithm>

namespace glkov {

std::string TextureCaption(int width, int height) {
  return "Texture(" + std::to_string(width) + "x" + std::to_string(height) + ")";
}

namespace {

bool HasTexels(size_t have, int w, int h, int channels) {
  return w > 0 && h > 0 &&
         have >= static_cast<size_t>(w) * static_cast<size_t>(h) * static_cast<size_t>(channels);
}

}  // namespace

void ObjectTextureView(const TfgObj& object, TFastBMP& image) {
  const int w = std::max(object.TexWidth, 0);
  const int h = std::max(object.TexHeight, 0);
  image.SetSize(w, h);
  if (!object.TexUploaded || !HasTexels(object.Texels.size(), w, h, 4)) return;
  for (int r = 0; r < h; ++r) {
    const uint8_t* t = object.Texels.data() + static_cast<size_t>(r) * w * 4;
    uint8_t* px = image.Row(h - 1 - r);
    for (int x = 0; x < w; ++x, t += 4, px += 3) {
      const int a = t[3];
      auto weigh = [&](int v) { return static_cast<uint8_t>(a == 255 ? v : (v * a) >> 8); };
      px[0] = weigh(t[2]);
      px[1] = weigh(t[1]);
      px[2] = weigh(t[0]);
    }
  }
}

bool PlaneTextureView(const TBoard& board, TFastBMP& image) {
  const int w = board.TexWidth;
  const int h = board.TexHeight;
  if (!board.TexUploaded || !HasTexels(board.Texels.size(), w, h, 3)) return false;
  image.SetSize(w, h);
  for (int r = 0; r < h; ++r) {
    const uint8_t* t = board.Texels.data() + static_cast<size_t>(r) * w * 3;
    uint8_t* px = image.Row(r);
    for (int x = 0; x < w; ++x, t += 3, px += 3) {
      px[0] = t[2];
      px[1] = t[1];
      px[2] = t[0];
    }
  }
  return true;
}

}  // namespace glkov
