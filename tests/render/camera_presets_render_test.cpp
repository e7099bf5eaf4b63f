// Every camera preset flown in the small synthetic room and in a photograph's corridor: it
// starts at the photograph's eye, keeps inside the box and no rendered frame shows past the box.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "core/animation/camera_presets.h"
#include "core/animation/interpolation.h"
#include "core/animation/timeline.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"
#include "core/scene/scene_builder.h"
#include "render/box_scene.h"
#include "support/small_room.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

using testing::MadeRoom;

// The corn-maze corridor of the examples, its photograph scaled to a quarter (256 x 170) with
// the mesh fitted to the full picture scaled alike and moved to whole pixels (the boards meet
// the picture's border exactly only then): a narrow, deep box.
MadeRoom MakePhotoRoom() {
  testing::TempDir dir;
  TFastBMP photo, small;
  LoadPictureFile((testing::SourceDir() / "examples/photos/corn_maze.jpg").string(), photo);
  small.SetSize(256, 170);
  photo.StretchRectInto(small, 0, 0, photo.Width(), photo.Height());
  synthetic::SavePNG(dir / "maze.png", small);
  synthetic::PhotoProjectOptions o;
  o.Photo = dir / "maze.png";
  o.VanishX = 129;
  o.VanishY = 65;
  o.InnerLeft = 122;
  o.InnerBottom = 52;
  o.InnerRight = 136;
  o.InnerTop = 75;
  o.FocalLength = 222;
  const std::filesystem::path kov = synthetic::WritePhotoProject(o, dir.path(), "maze");
  MadeRoom r;
  TTimeline timeline(r.Project);
  LoadProject(r.Project, timeline, kov.string());
  MakeScene(r.Project);
  synthetic::SyntheticRoomOptions box;
  box.Width = 256;
  box.Height = 170;
  box.VanishX = o.VanishX;
  box.VanishY = o.VanishY;
  box.InnerLeft = o.InnerLeft;
  box.InnerBottom = o.InnerBottom;
  box.InnerRight = o.InnerRight;
  box.InnerTop = o.InnerTop;
  box.FocalLength = o.FocalLength;
  r.SetBox(box);
  return r;
}

const MadeRoom& Room(bool photo) {
  static const MadeRoom small = testing::MakeRoomScene(testing::SmallRoomOptions());
  static const MadeRoom maze = MakePhotoRoom();
  return photo ? maze : small;
}

using PresetCase = std::tuple<bool, CameraPreset>;  // (photograph, preset)

class PresetFlight3D : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetFlight3D, StartsAtTheEyeStaysInsideAndFillsEveryFrame) {
  const auto [photo, preset] = GetParam();
  const MadeRoom& room = Room(photo);
  PresetOptions o;
  o.Preset = preset;
  o.Seconds = 3;
  o.Strength = 1;
  const PresetFlight flight = ComputeCameraPreset(room.Project, o);
  EXPECT_GT(flight.Strength, 0.2) << flight.Notice;
  const std::vector<TCamera> frames =
      PathFrameCameras(flight.Keys, std::vector<int>(flight.Keys.size() - 1, flight.FPK), 0);

  // The photograph's own view first ("Dolly Out" ends with it), and a flight that moves.
  const TCamera& eyeFrame = preset == CameraPreset::DollyOut ? frames.back() : frames.front();
  EXPECT_LT(testing::CameraDistance(eyeFrame, room.Eye), 1e-9);
  EXPECT_EQ(eyeFrame.CamUp, room.Eye.CamUp);
  double farthest = 0;
  for (const TCamera& c : frames)
    farthest = std::max(farthest, testing::CameraDistance(c, room.Eye));
  EXPECT_GT(farthest, 0.05 * (room.XR - room.XL)) << "the flight hardly moves";

  // 5 % of the box's width from the walls, floor, ceiling and rear wall.
  const double margin = 0.05 * (room.XR - room.XL) - 1e-9;
  for (const TCamera& c : frames) {
    const Vec3& p = c.CamPos;
    EXPECT_GE(p.x, room.XL + margin);
    EXPECT_LE(p.x, room.XR - margin);
    EXPECT_GE(p.y, margin);
    EXPECT_LE(p.y, room.Ceiling - margin);
    EXPECT_GE(p.z, room.Rear + margin);
  }

  // Small frames, every third one and the last, with the whole picture in view as the 3D view
  // shows it and with the viewing window as the movie does.
  TProject grey = room.Project;
  for (TBoard& b : grey.Boards) std::fill(b.Texels.begin(), b.Texels.end(), uint8_t{128});
  OffscreenTarget target(64, 48);
  SceneRenderer renderer;
  renderer.UploadScene(grey, 0);
  RenderSwitches sw;
  sw.UseVW = false;
  TFastBMP frame;
  for (const bool viewWindow : {false, true}) {
    sw.SeeVWClip = viewWindow;
    std::vector<size_t> shown;
    for (size_t f = 0; f < frames.size(); f += 3) shown.push_back(f);
    shown.push_back(frames.size() - 1);
    for (const size_t f : shown) {
      ASSERT_TRUE(RedrawScene(target, renderer, grey, frames[f], sw, frame));
      // Every texel is painted grey: a black pixel is one that no board covers.
      const int empty = testing::CountPixels(frame, {});
      EXPECT_EQ(empty, 0) << "frame " << f << (viewWindow ? " (viewing window)" : "");
      if (empty > 0) {
        testing::WriteFailureImages("preset_" + PresetCliName(preset) + "_" + std::to_string(f),
                                    frame, frame);
        break;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(CameraPresets, PresetFlight3D,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::ValuesIn(AllCameraPresets())),
                         [](const auto& info) {
                           std::string name = PresetName(std::get<1>(info.param));
                           std::erase(name, ' ');
                           return (std::get<0>(info.param) ? "Photograph" : "SmallRoom") + name;
                         });

}  // namespace
}  // namespace glkov
