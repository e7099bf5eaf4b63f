// Frames of a hand-built box drawn off screen and checked pixel by pixel against a ray caster.
#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "core/error.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"
#include "render/box_scene.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::BoxCamera;
using testing::BoxObject;
using testing::CompareWithRayCaster;
using testing::MakeBoxProject;
using testing::PictureWindow;
using testing::PixelAt;
using testing::Rgb;

// Draws one frame of the project into a target of width x height.
TFastBMP Draw(TProject& p, const RenderSwitches& sw, int width = testing::kBoxWidth,
              int height = testing::kBoxHeight, int quality = 0) {
  OffscreenTarget target(width, height);
  SceneRenderer renderer;
  renderer.UploadScene(p, quality);
  renderer.GLDraw(p, BoxCamera(p), sw, width, height);
  TFastBMP frame;
  target.ReadFrame(frame);
  return frame;
}

// The frame pixel (column, row from the top) that looks through picture point (x, y).
std::pair<int, int> FramePixelOf(double x, double y, const PictureWindow& w, int width,
                                 int height) {
  const int c = static_cast<int>((x - w.x0) / ((w.x1 - w.x0) / width));
  const int r = height - 1 - static_cast<int>((y - w.y0) / ((w.y1 - w.y0) / height));
  return {c, r};
}

constexpr Rgb kWhite{255, 255, 255};

RenderSwitches NoOutline() {
  RenderSwitches sw;
  sw.UseVW = false;
  return sw;
}

TEST(ProjectionValues, DegenerateCasesGiveNone) {
  RenderSwitches clip;
  clip.SeeVWClip = true;
  TProject p = MakeBoxProject(16);
  p.SceneScale = 0;
  EXPECT_FALSE(ProjectionValues(p, {}).has_value());
  p = MakeBoxProject(16);
  p.EyeDistance = -1;
  EXPECT_FALSE(ProjectionValues(p, {}).has_value());
  p = MakeBoxProject(16);
  p.ViewRight = p.ViewLeft;
  EXPECT_FALSE(ProjectionValues(p, clip).has_value());
  EXPECT_TRUE(ProjectionValues(p, {}).has_value());  // the whole picture is still fine
  p.PicWidth = 1;
  EXPECT_FALSE(ProjectionValues(p, {}).has_value());
}

// The photograph's eye, and views away from it checked against the ray caster's own camera
// model; CamDir and CamUp are handed over unnormalised.
TEST(RenderBox, EveryPlaneLandsWhereTheCameraSeesIt) {
  struct Case {
    const char* name;
    TCamera camera;
  };
  TProject p = MakeBoxProject();
  const Case cases[] = {
      {"default_camera", BoxCamera(p)},
      {"long_vectors", {{0.3, 0.7, 0.5}, {0, 0, -7}, {0, 3, 0}}},
      {"turned_left", {{0.2, 0.8, -0.2}, {-0.4, 0.1, -1}, {0, 1, 0}}},
      {"rolled", {{-0.2, 0.5, 0.3}, {0.2, -0.1, -1}, {0.3, 1, 0}}},
  };
  OffscreenTarget target(testing::kBoxWidth, testing::kBoxHeight);
  SceneRenderer renderer;
  renderer.UploadScene(p, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    renderer.GLDraw(p, c.camera, NoOutline(), testing::kBoxWidth, testing::kBoxHeight);
    TFastBMP frame;
    target.ReadFrame(frame);
    const auto result =
        CompareWithRayCaster(p, frame, {}, 1, std::string("box_") + c.name, {}, &c.camera);
    EXPECT_EQ(result.mismatched, 0) << "of " << result.compared;
    EXPECT_GT(result.compared, 0.5 * testing::kBoxWidth * testing::kBoxHeight);
  }
}

TEST(RenderBox, ViewingWindowFrustumShowsOnlyTheWindow) {
  TProject p = MakeBoxProject();
  RenderSwitches sw;
  sw.SeeVWClip = true;  // the outline is not drawn then, even with UseVW
  const TFastBMP frame = Draw(p, sw, 120, 90);
  const PictureWindow window{p.ViewLeft, p.ViewRight, p.ViewBottom, p.ViewTop};
  const auto result = CompareWithRayCaster(p, frame, window, 1, "box_view_window");
  EXPECT_EQ(result.mismatched, 0) << "of " << result.compared;
  EXPECT_GT(result.compared, 0.6 * 120 * 90);
  // The window's bottom corners (40, 30) and (160, 30) lie just above the floor's seams.
  EXPECT_EQ(PixelAt(frame, 0, 89).r, 120);
  EXPECT_EQ(PixelAt(frame, 119, 89).r, 160);
}

TEST(RenderBox, ViewingWindowOutline) {
  TProject p = MakeBoxProject(64);
  const TFastBMP with = Draw(p, RenderSwitches{});
  // Left edge x = 40, top y = 120: every row between them has a white pixel near column 40.
  const PictureWindow whole;
  const auto [left, top] = FramePixelOf(p.ViewLeft, p.ViewTop, whole, 200, 150);
  const auto [right, bottom] = FramePixelOf(p.ViewRight, p.ViewBottom, whole, 200, 150);
  for (int r = top + 1; r < bottom; ++r) {
    bool white = false;
    for (int c = left - 1; c <= left + 1; ++c) white |= PixelAt(with, c, r) == kWhite;
    EXPECT_TRUE(white) << "row " << r;
  }
  for (int c = left + 1; c < right; ++c) {
    bool white = false;
    for (int r = top - 1; r <= top + 1; ++r) white |= PixelAt(with, c, r) == kWhite;
    EXPECT_TRUE(white) << "column " << c;
  }
  // About the outline's length in pixels (2 x (120 + 90) picture pixels), nothing else white.
  EXPECT_NEAR(testing::CountPixels(with, kWhite), 2 * (121 + 91), 20);
  // Nothing white without the outline (in the window's preview: the frustum test).
  EXPECT_EQ(testing::CountPixels(Draw(p, NoOutline()), kWhite), 0);
}

TEST(RenderBox, TransitionDrawsOnlyTheFlatBoard) {
  TProject p = MakeBoxProject(16);
  testing::AddBoxObjects(p, {{-0.2, 0.2, 0, 0.5, -1, {0, 0, 200}, 255}});
  constexpr int T = 32;
  TBoard& b = p.Boards[0];
  // Picture rectangle 50..150 x 30..120 on the picture plane; Z far away, which must not count.
  b.X = {-0.5, 0.5, 0.5, -0.5};
  b.Y = {1.2, 1.2, 0.3, 0.3};
  b.Z = {-5, -5, -5, -5};
  b.TexWidth = b.TexHeight = T;
  b.Texels.assign(T * T * 3, 0);
  // Quadrant colours by texel row j and column i.
  auto quadrant = [](bool upperRows, bool rightColumns) {
    return Rgb{upperRows ? 200 : 60, rightColumns ? 180 : 30, 90};
  };
  for (int j = 0; j < T; ++j) {
    for (int i = 0; i < T; ++i) {
      const Rgb c = quadrant(j >= T / 2, i >= T / 2);
      uint8_t* t = &b.Texels[(j * T + i) * 3];
      t[0] = static_cast<uint8_t>(c.r), t[1] = static_cast<uint8_t>(c.g),
      t[2] = static_cast<uint8_t>(c.b);
    }
  }
  for (int k = 1; k < 5; ++k) p.Boards[k].Texels.clear();  // a transition needs board 0 only
  p.TransitionMode = true;
  const TFastBMP frame = Draw(p, NoOutline());
  EXPECT_TRUE(p.Boards[0].TexUploaded);
  EXPECT_FALSE(p.Boards[1].TexUploaded);
  // Texture (0, 0) sits at corner 3 (bottom left), s runs to corner 2, t to corner 0.
  struct Case {
    double x, y;
    Rgb want;
  };
  const Case cases[] = {{75, 52, quadrant(false, false)},
                        {125, 52, quadrant(false, true)},
                        {75, 98, quadrant(true, false)},
                        {125, 98, quadrant(true, true)},
                        {20, 75, Rgb{}},
                        {180, 140, Rgb{}},
                        {100, 10, Rgb{}}};
  for (const Case& c : cases) {
    const auto [col, row] = FramePixelOf(c.x, c.y, {}, frame.Width(), frame.Height());
    EXPECT_EQ(PixelAt(frame, col, row), c.want) << "picture point " << c.x << ", " << c.y;
  }
}

TEST(RenderBox, QualityNearestKeepsTexelsLinearBlendsThem) {
  TProject p = MakeBoxProject(16);
  // A 16 x 16 checker of two colours on the rear wall, magnified about six times.
  TBoard& rear = p.Boards[4];
  for (int j = 0; j < 16; ++j) {
    for (int i = 0; i < 16; ++i) {
      const uint8_t v = (i + j) % 2 ? 220 : 20;
      uint8_t* t = &rear.Texels[(j * 16 + i) * 3];
      t[0] = t[1] = t[2] = v;
    }
  }
  OffscreenTarget target(200, 150);
  SceneRenderer renderer;
  renderer.UploadScene(p, 0);
  EXPECT_EQ(renderer.TextureFilter(), static_cast<unsigned>(GL_NEAREST));
  auto levels = [&] {
    renderer.GLDraw(p, BoxCamera(p), NoOutline(), 200, 150);
    TFastBMP frame;
    target.ReadFrame(frame);
    std::set<int> seen;
    for (int r = 50; r < 100; ++r) {  // inside the rear wall (picture 50..150 x 30..105)
      for (int c = 60; c < 140; ++c) seen.insert(PixelAt(frame, c, r).g);
    }
    return seen;
  };
  EXPECT_EQ(levels(), (std::set<int>{20, 220}));
  EXPECT_FALSE(renderer.SetQuality(p, 0));  // the same quality changes nothing
  EXPECT_TRUE(renderer.SetQuality(p, 1));
  EXPECT_EQ(renderer.TextureFilter(), static_cast<unsigned>(GL_LINEAR));
  EXPECT_GT(levels().size(), 20u);
  EXPECT_TRUE(renderer.SetQuality(p, 0));
  EXPECT_EQ(levels().size(), 2u);
}

TEST(RenderBox, LinearFilteringKeepsEachEdgeToItsOwnTexels) {
  // The rear wall one grey but for a black last column (then a black last row): with linear
  // filtering only the wall's edge along the black texels may darken, not the opposite one.
  for (const bool column : {true, false}) {
    TProject p = MakeBoxProject(16);
    TBoard& rear = p.Boards[4];
    for (int j = 0; j < 16; ++j) {
      for (int i = 0; i < 16; ++i) {
        uint8_t* t = &rear.Texels[(j * 16 + i) * 3];
        t[0] = t[1] = t[2] = (column ? i : j) == 15 ? 0 : 200;
      }
    }
    const TFastBMP frame = Draw(p, NoOutline(), 200, 150, 1);
    // Two picture pixels inside each edge of the rear wall (50..150 x 30..105), at its middle.
    int darkened = 0;
    for (const auto& [x, y] : {std::pair{52, 67}, {148, 67}, {100, 32}, {100, 103}}) {
      const auto [col, row] = FramePixelOf(x, y, {}, frame.Width(), frame.Height());
      darkened += PixelAt(frame, col, row).g != 200;
    }
    EXPECT_EQ(darkened, 1) << (column ? "black column" : "black row");
  }
}

TEST(RenderBox, TexelsNotMatchingTheSizeAreRefused) {
  TProject p = MakeBoxProject(16);
  p.Boards[2].Texels.pop_back();
  OffscreenTarget target(16, 16);
  SceneRenderer renderer;
  EXPECT_THAT(testing::ErrorOf([&] { renderer.UploadScene(p, 0); }),
              ::testing::HasSubstr("Left Wall"));
  p = MakeBoxProject(16);
  testing::AddBoxObjects(p, {{-0.2, 0.2, 0, 0.5, -1, {0, 0, 200}, 255}}, 16);
  p.fgObjs[0].TexWidth = 32;
  EXPECT_THROW(renderer.UploadScene(p, 0), Error);
}

// Two overlapping boards: a far opaque blue one and a near half-transparent red one.
const std::vector<BoxObject> kOverlapping = {{-0.5, 0.3, 0, 1.0, -1.0, {0, 0, 230}, 255},
                                             {-0.3, 0.5, 0, 1.0, -0.5, {230, 0, 0}, 128}};

TEST(RenderObjects, BlendedFarToNearInDrawOrder) {
  TProject p = MakeBoxProject();
  testing::AddBoxObjects(p, kOverlapping);
  const TFastBMP frame = Draw(p, NoOutline());
  const auto result = CompareWithRayCaster(p, frame, {}, 2, "objects_far_to_near", kOverlapping);
  EXPECT_EQ(result.mismatched, 0) << "of " << result.compared;
  // Where both overlap (picture point (100, 60) lies in both opaque parts) red half over blue.
  const auto [c, r] = FramePixelOf(100, 60, {}, frame.Width(), frame.Height());
  const Rgb mix = PixelAt(frame, c, r);
  EXPECT_NEAR(mix.r, 115, 2);
  EXPECT_EQ(mix.g, 0);
  EXPECT_NEAR(mix.b, 115, 2);
}

// Near board first: the far board fails the depth test behind it and is not seen there. Order
// entries outside the list draw nothing.
TEST(RenderObjects, DrawOrderDecidesTheResult) {
  struct Case {
    int first, second;
    std::vector<BoxObject> drawn;
    const char* name;
  };
  for (const Case& c :
       {Case{1, 0, kOverlapping, "objects_near_first"}, Case{7, -1, {}, "objects_bad_order"}}) {
    TProject p = MakeBoxProject();
    testing::AddBoxObjects(p, kOverlapping);
    p.fgObjs[0].DrawOrder = c.first;
    p.fgObjs[1].DrawOrder = c.second;
    const TFastBMP frame = Draw(p, NoOutline());
    EXPECT_EQ(CompareWithRayCaster(p, frame, {}, 2, c.name, c.drawn).mismatched, 0) << c.name;
  }
}

TEST(RenderBox, DegenerateFrustumGivesABlackFrame) {
  TProject p = MakeBoxProject(16);
  p.SceneScale = 0;
  const TFastBMP frame = Draw(p, NoOutline(), 32, 24);
  for (int r = 0; r < frame.Height(); ++r) {
    for (int c = 0; c < frame.Width(); ++c) ASSERT_EQ(PixelAt(frame, c, r), Rgb{});
  }
}

}  // namespace
}  // namespace glkov
