#include "core/animation/camera_presets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/animation/interpolation.h"
#include "core/error.h"
#include "support/small_room.h"

namespace glkov {
namespace {

using testing::CameraDistance;
using testing::MadeRoom;

const MadeRoom& SmallRoom() {
  static const MadeRoom room = testing::MakeRoomScene(testing::SmallRoomOptions());
  return room;
}

PresetOptions Options(CameraPreset preset, double strength = 1.0,
                      PresetEasing easing = PresetEasing::EaseInOut, bool loop = false) {
  PresetOptions o;
  o.Preset = preset;
  o.Seconds = 3;
  o.Strength = strength;
  o.Easing = easing;
  o.ReturnToStart = loop;
  return o;
}

std::vector<TCamera> Frames(const PresetFlight& flight, int smoothness = 0) {
  const std::vector<int> segments(flight.Keys.size() - 1, flight.FPK);
  return PathFrameCameras(flight.Keys, segments, smoothness);
}

void ExpectCameraNear(const TCamera& c, const TCamera& expected, double tol = 1e-9) {
  EXPECT_LT(CameraDistance(c, expected), tol);
  EXPECT_NEAR(c.CamUp.y, expected.CamUp.y, tol);
}

class EveryPreset : public ::testing::TestWithParam<CameraPreset> {};

// "Return to Start" comes back to the first camera exactly, so that the clip loops.
TEST_P(EveryPreset, ReturnToStartEndsWhereItBegan) {
  const PresetFlight flight = ComputeCameraPreset(
      SmallRoom().Project, Options(GetParam(), 0.6, PresetEasing::EaseInOut, true));
  const std::vector<TCamera> frames = Frames(flight);
  EXPECT_EQ(frames.front(), frames.back());
  double farthest = 0;
  for (const TCamera& c : frames) farthest = std::max(farthest, CameraDistance(c, frames.front()));
  EXPECT_GT(farthest, 0.05);
  EXPECT_NEAR(flight.Seconds, 3.0, 0.35);
}

INSTANTIATE_TEST_SUITE_P(CameraPresets, EveryPreset, ::testing::ValuesIn(AllCameraPresets()),
                         [](const auto& info) {
                           std::string name = PresetName(info.param);
                           std::erase(name, ' ');
                           return name;
                         });

// The speed of a flight follows its easing through the spacing of the keys alone (the frames
// per key are equal): slow-fast-slow for "Ease In and Out", steady for "Linear".
TEST(CameraPresets, EasingShapesTheSpeed) {
  struct Case {
    PresetEasing easing;
    bool slowStart, slowEnd;
  };
  for (const Case& c :
       {Case{PresetEasing::Linear, false, false}, Case{PresetEasing::EaseIn, true, false},
        Case{PresetEasing::EaseOut, false, true}, Case{PresetEasing::EaseInOut, true, true}}) {
    SCOPED_TRACE(EasingName(c.easing));
    const PresetFlight flight =
        ComputeCameraPreset(SmallRoom().Project, Options(CameraPreset::DollyIn, 0.8, c.easing));
    const std::vector<TCamera> frames = Frames(flight);
    std::vector<double> speed;
    for (size_t f = 1; f < frames.size(); ++f)
      speed.push_back(CameraDistance(frames[f], frames[f - 1]));
    const size_t n = speed.size();
    const auto mean = [&](double from, double to) {
      const auto a = speed.begin() + static_cast<long>(from * n);
      const auto b = speed.begin() + static_cast<long>(to * n);
      return std::accumulate(a, b, 0.0) / static_cast<double>(b - a);
    };
    const double start = mean(0, 0.15), middle = mean(0.4, 0.6), end = mean(0.85, 1);
    EXPECT_EQ(start < 0.5 * middle, c.slowStart) << start << " " << middle;
    EXPECT_EQ(end < 0.5 * middle, c.slowEnd) << end << " " << middle;
    if (c.easing == PresetEasing::Linear) {
      // Steady at the roundest corners and on the straight polyline alike.
      for (const int smoothness : {0, 5, 10}) {
        const std::vector<TCamera> f = Frames(flight, smoothness);
        std::vector<double> v;
        for (size_t i = 1; i < f.size(); ++i) v.push_back(CameraDistance(f[i], f[i - 1]));
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        EXPECT_LT(*hi, 1.001 * *lo) << "smoothness " << smoothness;
      }
    }
  }
}

// A view so wide (126 degrees across) that a full turn would look back out of the box: the
// strength is reduced, the user told by how much, and the reduced flight still keeps inside.
TEST(CameraPresets, StrengthThatWouldLeaveTheRoomIsReduced) {
  synthetic::SyntheticRoomOptions wide = testing::SmallRoomOptions();
  wide.FocalLength = 40;
  const MadeRoom room = testing::MakeRoomScene(wide);
  const PresetFlight flight = ComputeCameraPreset(room.Project, Options(CameraPreset::PanLeft));
  EXPECT_LT(flight.Strength, 1.0);
  EXPECT_EQ(flight.RequestedStrength, 1.0);
  EXPECT_NE(flight.Notice.find("reduced by"), std::string::npos) << flight.Notice;
  for (const TCamera& c : Frames(flight)) EXPECT_GE(c.CamPos.z, room.Rear);

  const PresetFlight gentle = ComputeCameraPreset(room.Project, Options(CameraPreset::DollyIn));
  EXPECT_EQ(gentle.Strength, 1.0);
  EXPECT_TRUE(gentle.Notice.empty());
}

TEST(CameraPresets, RefusesBadOptionsAndAnUnmadeScene) {
  const TProject& made = SmallRoom().Project;
  for (const auto& [seconds, strength] :
       {std::pair{0.0, 0.5}, {-1.0, 0.5}, {1e6, 0.5}, {3.0, 1.5}, {3.0, -0.1}, {3.0, NAN}}) {
    PresetOptions o = Options(CameraPreset::Orbit, strength);
    o.Seconds = seconds;
    EXPECT_THROW(ComputeCameraPreset(made, o), Error) << seconds << " " << strength;
  }
  PresetOptions fast = Options(CameraPreset::DollyIn);
  fast.FPS = 1'000'000'000;
  EXPECT_THROW(ComputeCameraPreset(made, fast), Error);
  TProject unmade;
  EXPECT_THROW(ComputeCameraPreset(unmade, Options(CameraPreset::DollyIn)), Error);
}

// The flight goes into the timeline as an ordinary path (saving it is the path file's round trip)
// and the camera starts at the photograph's eye.
TEST(CameraPresets, FlightGoesIntoTheTimeline) {
  TProject project = SmallRoom().Project;
  TTimeline timeline(project);
  const PresetFlight flight = ComputeCameraPreset(project, Options(CameraPreset::Orbit, 0.7));
  ApplyPresetFlight(timeline, flight);
  EXPECT_EQ(timeline.KeyFrames(), flight.Keys);
  EXPECT_EQ(timeline.FPK, flight.FPK);
  EXPECT_EQ(timeline.CurrentKey(), 1);
  ExpectCameraNear(project.Camera, SmallRoom().Eye);
}

}  // namespace
}  // namespace glkov
