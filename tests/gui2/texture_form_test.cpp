#include "app/texture_form.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "core/model/project.h"
#include "support/test_app.h"

namespace glkov {
namespace {

TfgObj Striped(int w, int h) {
  TfgObj o;
  o.TexWidth = w;
  o.TexHeight = h;
  o.TexUploaded = true;
  o.Texels.resize(static_cast<size_t>(w) * h * 4);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) {
      uint8_t* t = &o.Texels[(static_cast<size_t>(r) * w + x) * 4];
      t[0] = static_cast<uint8_t>(x * 4);
      t[1] = static_cast<uint8_t>(r * 4);
      t[2] = 160;
      t[3] = static_cast<uint8_t>(x < w / 2 ? 255 : 128);
    }
  return o;
}

// The texels shown are the core's (texture view); the window names their size and shows them
// at it.
TEST(TextureForm, ObjectCaptionAndSize) {
  TestApp();
  TTextureForm form;
  form.ShowObjectTexture(Striped(64, 32));
  EXPECT_EQ(form.windowTitle(), "Texture(64x32)");
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.IfgObj()->size(), QSize(64, 32));
  EXPECT_EQ(form.Image().Pixel(10, 31)[0], 160);  // texel row 0 at the bottom
}

TEST(TextureForm, PlaneNotUploadedKeepsTheView) {
  TestApp();
  TTextureForm form;
  form.ShowObjectTexture(Striped(16, 16));
  TBoard b;
  b.TexWidth = 32;
  b.TexHeight = 32;
  form.ShowPlaneTexture(b);
  EXPECT_EQ(form.windowTitle(), "Texture(16x16)");
  b.TexUploaded = true;
  b.Texels.assign(32 * 32 * 3, 7);
  form.ShowPlaneTexture(b);
  EXPECT_EQ(form.windowTitle(), "Texture(32x32)");
  form.HideTexture();
  EXPECT_FALSE(form.IfgObj()->isVisible());
}

}  // namespace
}  // namespace glkov
