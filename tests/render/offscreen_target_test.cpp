// The head-less GL target: sizes, read-back in both row orders, errors, the one-off render.
#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/error.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"
#include "render/box_scene.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::PixelAt;
using testing::Rgb;

// Clears the frame to black and paints the lower half-plane (window y < height/2) with colour.
void PaintLowerHalf(int width, int height, float r, float g, float b) {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, width, height / 2);
  glClearColor(r, g, b, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (had_) {
      ::setenv(name_, old_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(OffscreenTarget, MakesAContextWithoutADisplay) {
  ScopedEnv noX("DISPLAY", "");
  OffscreenTarget target(64, 48);
  EXPECT_EQ(target.Width(), 64);
  EXPECT_EQ(target.Height(), 48);
  EXPECT_FALSE(target.BackendName().empty());
  GLint mask = 0;
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  EXPECT_TRUE(std::atoi(version) < 3 || (mask & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT)) << version;
}

TEST(OffscreenTarget, ReadsRowsTopDownAndBottomUp) {
  // Odd widths exercise the row padding of TFastBMP (3 * width + width % 4 bytes).
  for (int width : {5, 6, 7, 8, 33}) {
    SCOPED_TRACE(width);
    OffscreenTarget target(width, 10);
    PaintLowerHalf(width, 10, 1, 0.5f, 0);  // orange: B 0, G 128, R 255
    TFastBMP topDown, bottomUp;
    target.ReadFrame(topDown);
    target.ReadFrameBottomUp(bottomUp);
    ASSERT_EQ(topDown.Width(), width);
    ASSERT_EQ(topDown.Height(), 10);
    EXPECT_EQ(PixelAt(topDown, 0, 0), Rgb{});                       // top row black
    EXPECT_EQ(PixelAt(topDown, width - 1, 9), (Rgb{255, 128, 0}));  // bottom row painted
    for (int r = 0; r < 10; ++r) {
      EXPECT_EQ(std::memcmp(topDown.Row(r), bottomUp.Row(9 - r), 3 * width), 0) << "row " << r;
    }
  }
}

TEST(OffscreenTarget, ResizeKeepsTheContext) {
  OffscreenTarget target(16, 16);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  target.Resize(40, 30);
  EXPECT_EQ(target.Width(), 40);
  EXPECT_EQ(target.Height(), 30);
  EXPECT_TRUE(glIsTexture(name));  // made in the same context, so still there
  PaintLowerHalf(40, 30, 0, 0, 1);
  TFastBMP frame;
  target.ReadFrame(frame);
  EXPECT_EQ(frame.Width(), 40);
  EXPECT_EQ(PixelAt(frame, 39, 29), (Rgb{0, 0, 255}));
  EXPECT_EQ(PixelAt(frame, 39, 0), Rgb{});
}

TEST(OffscreenTarget, TwoTargetsLiveSideBySide) {
  OffscreenTarget a(8, 8);
  PaintLowerHalf(8, 8, 1, 0, 0);
  {
    OffscreenTarget b(8, 8);
    PaintLowerHalf(8, 8, 0, 1, 0);
  }
  a.MakeCurrent();
  TFastBMP frame;
  a.ReadFrame(frame);
  EXPECT_EQ(PixelAt(frame, 0, 7), (Rgb{255, 0, 0}));
}

TEST(OffscreenTarget, BadSizesAreRefused) {
  for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 5}, {100000, 10}}) {
    EXPECT_THROW(OffscreenTarget(w, h), Error) << w << " x " << h;
  }
  OffscreenTarget target(8, 8);
  EXPECT_THROW(target.Resize(0, 8), Error);
  EXPECT_EQ(target.Width(), 8);
}

TEST(OffscreenTarget, UnknownBackEndIsAnError) {
  ScopedEnv env("GLKOV_GL_BACKEND", "teapot");
  EXPECT_THAT(testing::ErrorOf([&] { OffscreenTarget target(8, 8); }),
              ::testing::HasSubstr("teapot"));
}

TEST(RedrawScene, DrawsAndReadsBackOnlyAMadeScene) {
  TProject p = testing::MakeBoxProject(64);
  OffscreenTarget target(100, 75);
  SceneRenderer renderer;
  renderer.UploadScene(p, 0);
  RenderSwitches sw;
  sw.UseVW = false;
  TFastBMP topDown, bottomUp;
  ASSERT_TRUE(RedrawScene(target, renderer, p, testing::BoxCamera(p), sw, topDown));
  ASSERT_TRUE(RedrawScene(target, renderer, p, testing::BoxCamera(p), sw, bottomUp, true));
  EXPECT_EQ(PixelAt(topDown, 50, 74).r, 200);  // floor in the bottom row
  EXPECT_EQ(PixelAt(bottomUp, 50, 0).r, 200);
  EXPECT_EQ(PixelAt(topDown, 50, 0).r, 80);  // ceiling in the top row
  p.SceneMade = false;
  TFastBMP untouched;
  EXPECT_FALSE(RedrawScene(target, renderer, p, testing::BoxCamera(p), sw, untouched));
  EXPECT_TRUE(untouched.Empty());
}

TEST(RenderFrame, RefusesWhatCannotBeDrawn) {
  TProject p = testing::MakeBoxProject(16);
  p.SceneMade = false;
  EXPECT_THROW(RenderFrame(p, testing::BoxCamera(p)), Error);
  p.SceneMade = true;
  RenderFrameOptions clip;
  clip.Switches.SeeVWClip = true;
  p.ViewTop = p.ViewBottom;
  EXPECT_THROW(RenderFrame(p, testing::BoxCamera(p), clip), Error);
}

}  // namespace
}  // namespace glkov
