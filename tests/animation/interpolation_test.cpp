#include "core/animation/interpolation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"

namespace glkov {
namespace {

TKeyFrame Key(double x, double y, double z) { return {true, {x, y, z}, {0, 0, -1}, {0, 1, 0}}; }

void ExpectNear(const Vec3& a, const Vec3& b, double tol = 1e-12) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

TEST(BezierPoint, EndsAndMiddle) {
  const Vec3 p0{0, 0, 0}, p1{1, 2, 0}, p2{1, 2, 0}, p3{2, 0, 4};
  ExpectNear(BezierPoint(p0, p1, p2, p3, 0), p0);
  ExpectNear(BezierPoint(p0, p1, p2, p3, 1), p3);
  // u = 0.5: (p0 + 3 p1 + 3 p2 + p3) / 8.
  ExpectNear(BezierPoint(p0, p1, p2, p3, 0.5), {1, 1.5, 0.5});
}

TEST(InterpolateCamera, TwoKeysAreAStraightLineWhateverTheSmoothness) {
  const std::vector<TKeyFrame> keys = {Key(0, 0, 1), Key(4, 2, -3)};
  for (double p : {0.0, 0.3, 1.0}) {
    for (int f = 0; f <= 10; ++f) {
      const TCamera c = InterpolateCamera(f, keys, {10}, p);
      const double t = f / 10.0;
      ExpectNear(c.CamPos, {4 * t, 2 * t, 1 - 4 * t});
      ExpectNear(c.CamDir, {0, 0, -1});
    }
  }
}

TEST(InterpolateCamera, DirectionAndUpAreNotNormalised) {
  std::vector<TKeyFrame> keys = {Key(0, 0, 0), Key(0, 0, 0)};
  keys[1].CamDir = {1, 0, 0};
  const TCamera c = InterpolateCamera(1, keys, {2}, 0);
  ExpectNear(c.CamDir, {0.5, 0, -0.5});
}

// Three keys, four frames per segment, smoothness 0 (a = b = 0.5).
class ThreeKeys : public ::testing::Test {
 protected:
  std::vector<TKeyFrame> keys = {Key(0, 0.75, 1), Key(1, 0.75, 0), Key(2, 0.75, 1)};
  std::vector<int> L = {4, 4};
};

TEST_F(ThreeKeys, CurvedCornerWorkedNumbers) {
  // Frames 0..2 and 6..8 are straight.
  ExpectNear(InterpolateCamera(0, keys, L, 0).CamPos, {0, 0.75, 1});
  ExpectNear(InterpolateCamera(2, keys, L, 0).CamPos, {0.5, 0.75, 0.5});
  ExpectNear(InterpolateCamera(6, keys, L, 0).CamPos, {1.5, 0.75, 0.5});
  ExpectNear(InterpolateCamera(8, keys, L, 0).CamPos, {2, 0.75, 1});
  // Frame 3: corner at key 1 from segment 0, u = ((0.75 - 0.5) 4 / 0.5) / 8 = 0.25.
  ExpectNear(InterpolateCamera(3, keys, L, 0).CamPos, {0.796875, 0.75, 0.21875});
  // Frame 4 (t = 0 of segment 1): u = 0.5, near but not on the key.
  ExpectNear(InterpolateCamera(4, keys, L, 0).CamPos, {1, 0.75, 0.125});
  ExpectNear(InterpolateCamera(5, keys, L, 0).CamPos, {1.203125, 0.75, 0.21875});
}

TEST_F(ThreeKeys, ZigZagIsThePolygonThroughTheKeys) {
  for (int f = 0; f <= 8; ++f) {
    const double x = f / 4.0;
    const double z = f <= 4 ? 1 - x : x - 1;
    ExpectNear(InterpolateCamera(f, keys, L, 1).CamPos, {x, 0.75, z});
  }
}

TEST_F(ThreeKeys, FramesBeyondTheLastSegmentStayOnIt) {
  ExpectNear(InterpolateCamera(10, keys, L, 0).CamPos, {2.5, 0.75, 1.5});
}

TEST(InterpolateCamera, ContinuousAtTheArcEnds) {
  // Many frames per segment: neighbouring frames lie close, also where the arcs meet the
  // straight parts, for every smoothness.
  const std::vector<TKeyFrame> keys = {Key(0, 0, 0), Key(10, 0, 0), Key(10, 0, -10),
                                       Key(0, 3, -10)};
  const std::vector<int> L = {400, 300, 500};
  for (double p : {0.0, 0.25, 0.5, 0.9}) {
    Vec3 last = InterpolateCamera(0, keys, L, p).CamPos;
    double largest = 0;
    for (int f = 1; f <= 1200; ++f) {
      const Vec3 c = InterpolateCamera(f, keys, L, p).CamPos;
      largest = std::max(largest, std::hypot(c.x - last.x, c.y - last.y, c.z - last.z));
      last = c;
    }
    EXPECT_LT(largest, 0.06) << "p = " << p;
    ExpectNear(last, {0, 3, -10}, 1e-9);
  }
  // Exactly at an arc end the arc and the straight part agree: p = 0.5, a = 0.25, segment 1
  // straight from t = 0.25 (frame 475); the arc before it ends at u = 1.
  const double a = 0.25;
  const TCamera onLine = InterpolateCamera(475, keys, L, 0.5);
  ExpectNear(onLine.CamPos, {10, 0, -10 * a}, 1e-9);
  const TCamera justBefore = InterpolateCamera(474, keys, L, 0.5);
  EXPECT_NEAR(justBefore.CamPos.z, -10 * a, 0.05);
}

TEST(InterpolateCamera, BadInputsAreRefused) {
  const std::vector<TKeyFrame> one = {Key(0, 0, 0)};
  EXPECT_THROW(InterpolateCamera(0, one, {}, 0), Error);
  const std::vector<TKeyFrame> two = {Key(0, 0, 0), Key(1, 1, 1)};
  EXPECT_THROW(InterpolateCamera(0, two, {0}, 0), Error);
  EXPECT_THROW(InterpolateCamera(0, two, {4, 4}, 0), Error);
}

TEST(SegmentFrameCounts, RoundedFramesPerKey) {
  EXPECT_EQ(SegmentFrameCounts(3, 60, 1.0, false), (std::vector<int>{60, 60}));
  EXPECT_EQ(SegmentFrameCounts(2, 60, 1.0, true), (std::vector<int>{15}));
  EXPECT_EQ(SegmentFrameCounts(2, 10, 1.0, true), (std::vector<int>{2}));  // 2.5 to even
  EXPECT_EQ(SegmentFrameCounts(2, 14, 1.0, true), (std::vector<int>{4}));  // 3.5 to even
  EXPECT_EQ(SegmentFrameCounts(2, 60, 0.35, false), (std::vector<int>{21}));
  EXPECT_THROW(SegmentFrameCounts(2, 1, 1.0, true), Error);  // 0.25 frames
  EXPECT_THROW(SegmentFrameCounts(2, -60, 1.0, false), Error);
  EXPECT_THROW(SegmentFrameCounts(2, 60, 1e300, false), Error);
  EXPECT_THROW(SegmentFrameCounts(1, 60, 1.0, false), Error);
}

TEST(PathFrameCameras, FramesZeroToTotalEndOnTheLastKey) {
  const std::vector<TKeyFrame> keys = {Key(0, 0.75, 1), Key(1, 0.75, 0), Key(2, 0.75, 1)};
  const std::vector<TCamera> frames = PathFrameCameras(keys, {4, 4}, 0);
  ASSERT_EQ(frames.size(), 9u);
  EXPECT_EQ(frames.front().CamPos, (Vec3{0, 0.75, 1}));
  EXPECT_EQ(frames.back().CamPos, (Vec3{2, 0.75, 1}));
  ExpectNear(frames[3].CamPos, {0.796875, 0.75, 0.21875});  // the curved corner
  // Slider position 10 is p = 1.
  EXPECT_EQ(PathFrameCameras(keys, {4, 4}, 10)[4].CamPos, (Vec3{1, 0.75, 0}));
  EXPECT_THROW(PathFrameCameras(keys, {2'000'000'000, 2'000'000'000}, 0), Error);
}

}  // namespace
}  // namespace glkov
