#include "core/scene/texture_view.h"

#include <algorithm>
#include <cstdlib>

namespace glkov {

std::string TextureCaption(int width, int height) {
  return "Texture(" + std::to_string(width) + "x" + std::to_string(height) + ")";
}

std::string CutOutCaption(int width, int height) {
  return "Picture before Make (" + std::to_string(width) + "x" + std::to_string(height) + ")";
}

namespace {

uint8_t Weigh(int v, int a) { return static_cast<uint8_t>(a == 255 ? v : (v * a) >> 8); }

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
      px[0] = Weigh(t[2], t[3]);
      px[1] = Weigh(t[1], t[3]);
      px[2] = Weigh(t[0], t[3]);
    }
  }
}

void ObjectCutOutView(const TProject& project, int index, bool negative, TFastBMP& image) {
  if (index < 0 || index >= project.fgObjCount()) {
    image = TFastBMP();
    return;
  }
  const TFastBMP& original = project.IOriginal_r;
  const TFastBMP& mask = project.IMask_r;
  const TFastBMP& label = project.LabelImage;
  const bool useLabel = project.ObjectsExtracted && !label.Empty() &&
                        label.Width() == mask.Width() && label.Height() == mask.Height();
  const TfgObj& o = project.fgObjs[static_cast<size_t>(index)];
  // A box larger than the pictures is cut to what they can show.
  const int64_t limitW = std::max(original.Width(), mask.Width());
  const int64_t limitH = std::max(original.Height(), mask.Height());
  const int left = std::min(o.X1, o.X2);
  const int top = project.PicHeight - 1 - std::max(o.Y1, o.Y2);
  const int w = static_cast<int>(std::min<int64_t>(std::llabs(int64_t{o.X2} - o.X1) + 1, limitW));
  const int h = static_cast<int>(std::min<int64_t>(std::llabs(int64_t{o.Y2} - o.Y1) + 1, limitH));
  image.SetSize(w, h);
  const uint8_t flip = negative ? 255 : 0;
  for (int y = 0; y < h; ++y) {
    const int64_t row = int64_t{top} + y;
    if (row < 0 || row >= original.Height() || row >= mask.Height()) continue;
    const uint8_t* orow = original.Row(static_cast<int>(row));
    const uint8_t* mrow = mask.Row(static_cast<int>(row));
    const uint8_t* lrow = useLabel ? label.Row(static_cast<int>(row)) : nullptr;
    uint8_t* px = image.Row(y);
    for (int x = 0; x < w; ++x, px += 3) {
      const int64_t col = int64_t{left} + x;
      if (col < 0 || col >= original.Width() || col >= mask.Width()) continue;
      const size_t c = 3 * static_cast<size_t>(col);
      const int red = mrow[c + 2];
      const int region = lrow ? lrow[c + 2] + 256 * lrow[c + 1] + 65536 * lrow[c] : red;
      const int a = region == index ? red : 0;
      px[0] = Weigh(orow[c] ^ flip, a);
      px[1] = Weigh(orow[c + 1] ^ flip, a);
      px[2] = Weigh(orow[c + 2] ^ flip, a);
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
