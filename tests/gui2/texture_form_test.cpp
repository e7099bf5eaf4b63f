#include "app/texture_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>

#include "app/masked_image_export.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "support/test_app.h"
#include "support/test_support.h"

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

TEST(TextureForm, ObjectCaptionAndWeighting) {
  TestApp();
  TTextureForm form;
  form.ShowObjectTexture(Striped(64, 32));
  EXPECT_EQ(form.windowTitle(), "Texture(64x32)");
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.IfgObj()->size(), QSize(64, 32));
  EXPECT_EQ(form.Image().Pixel(10, 31)[0], 160);  // texel row 0 at the bottom, A 255
  EXPECT_EQ(form.Image().Pixel(40, 31)[0], 80);   // A 128: (160 * 128) >> 8
  MaybeScreenshot(form, "texture");
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

TProject ThreePictures(int mw = 4) {
  TProject p;
  p.IOriginal.SetSize(4, 3);
  p.IMask.SetSize(mw, 3);
  p.IBackground.SetSize(4, 3);
  p.IOriginal.Pixel(1, 1)[0] = 200;
  p.IMask.Pixel(1, 1)[2] = 128;
  return p;
}

TEST(MaskedImageExport, WritesUnderTheNameAsked) {
  testing::TempDir dir;
  TProject p = ThreePictures();
  p.ProjectDir = dir.path().string() + "/";
  const TFastBMP before = p.IOriginal;
  QString offered;
  const auto written = ExportMaskedImage(p, [&](const QString& d) {
    offered = d;
    return std::optional<QString>(d);
  });
  ASSERT_TRUE(written);
  EXPECT_EQ(offered.toStdString(), p.ProjectDir + "out.bmp");
  TFastBMP back;
  LoadPictureFile(p.ProjectDir + "out.bmp", back);
  EXPECT_EQ(back.Width(), 4);
  EXPECT_EQ(back.Pixel(1, 1)[0], 100);  // MulDiv(200, 128, 255)
  EXPECT_EQ(p.IOriginal.PackedPixels(), before.PackedPixels());
}

TEST(MaskedImageExport, CancelWritesNothingAndSizesMustMatch) {
  testing::TempDir dir;
  TProject p = ThreePictures();
  p.ProjectDir = dir.path().string() + "/";
  EXPECT_FALSE(ExportMaskedImage(p, [](const QString&) { return std::optional<QString>(); }));
  EXPECT_FALSE(std::filesystem::exists(p.ProjectDir + "out.bmp"));
  TProject bad = ThreePictures(5);
  bool asked = false;
  EXPECT_THROW(ExportMaskedImage(bad,
                                 [&](const QString& d) {
                                   asked = true;
                                   return std::optional<QString>(d);
                                 }),
               Error);
  EXPECT_FALSE(asked);
}

}  // namespace
}  // namespace glkov
