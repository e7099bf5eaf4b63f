#pragma once

// Helpers shared by the project, sub-scene and timeline tests: scripted answers to questions,
// small pictures written to a folder, a project file built line by line.

#include <string>
#include <vector>

#include "core/animation/timeline.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/perspective/sub_scenes.h"
#include "support/test_support.h"

namespace glkov::testing {

// A w x h picture whose pixel (x, y) is blue x, green y, red seed (each modulo 256).
inline TFastBMP GradientPicture(int w, int h, int seed = 0) {
  TFastBMP b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* px = b.Pixel(x, y);
      px[0] = static_cast<uint8_t>(x);
      px[1] = static_cast<uint8_t>(y);
      px[2] = static_cast<uint8_t>(seed);
    }
  }
  return b;
}

// A project with the three pictures of w x h in memory, as after importing them: "Window" and
// "Region 1" over the whole picture, the region entered.
struct ImportedRoom {
  TProject project;
  TTimeline timeline{project};
  ImportedRoom(int w, int h) {
    project.IOriginal = GradientPicture(w, h, 1);
    project.IMask = GradientPicture(w, h, 2);
    project.IBackground = GradientPicture(w, h, 3);
    project.PicWidth = w;
    project.PicHeight = h;
    ResetMeshDefaults(project);
    CropOriginal(project, 0, 0, w - 1, h - 1);
    InitRegions(project);
  }
};

// Writes room.bmp, roommask.bmp and roomback.bmp of w x h pixels into dir.
inline void WriteRoomPictures(const TempDir& dir, int w = 640, int h = 480) {
  SaveBMP((dir / "room.bmp").string(), GradientPicture(w, h, 1));
  SaveBMP((dir / "roommask.bmp").string(), GradientPicture(w, h, 2));
  SaveBMP((dir / "roomback.bmp").string(), GradientPicture(w, h, 3));
}

// Joins lines with CR LF (and a final CR LF).
inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// A current-version project of one sub-scene over the room pictures.
inline std::vector<std::string> OneRegionProjectLines() {
  return {"KOV with Perpective Grid",
          "1.3",
          "room.bmp",
          "roomback.bmp",
          "roommask.bmp",
          "1",
          "0 0 639 479 Region 1",
          "1",
          "100 40 180 200 1 Object 1",
          "319.50 238.50 213.00 159.00 426.00 318.00",
          "",
          "1",
          "554.00",
          "10 10 629 469",
          "3"};
}

}  // namespace glkov::testing
