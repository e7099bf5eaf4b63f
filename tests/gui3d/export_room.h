#pragma once

// A small synthetic room project with one sub-scene and a two-key camera path, for the export
// and player windows.

#include <memory>

#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {

struct ExportRoom {
  // Writes the project into dir and opens it as the program does.
  explicit ExportRoom(const TempDir& dir, int fpk = 10) {
    synthetic::SyntheticRoomOptions options;
    options.Width = 160;
    options.Height = 120;
    options.VanishX = 80;
    options.VanishY = 50;
    options.InnerLeft = 50;
    options.InnerRight = 110;
    options.InnerBottom = 30;
    options.InnerTop = 80;
    options.FocalLength = 139;
    options.Objects.clear();
    room = synthetic::MakeSyntheticRoom(options);
    synthetic::WriteRoomProject(room, dir.path(), "room");

    synthetic::CameraPath path;
    path.FPK = fpk;
    for (int k = 0; k < 2; ++k) {
      synthetic::CameraKey key;
      key.CamPos = {0, room.EyeHeight, room.EyeDistance - 0.05 * k};
      path.Keys.push_back(key);
    }
    synthetic::ProjectFileContents contents;
    contents.Original = "room.png";
    contents.Background = "room_back.png";
    contents.Mask = "room_mask.png";
    contents.FocalLength = room.FocalLength;
    contents.MeshRegions.push_back(room.MeshRegions[0]);
    TMeshRegion r = room.MeshRegions[1];
    r.Name = "Part 1";
    r.CameraPath = "p1.cam";
    contents.MeshRegions.push_back(r);
    WriteFile(dir / "p1.cam", synthetic::FormatCameraPath(path));
    WriteFile(dir / "test.kov", synthetic::FormatProjectFile(contents));
    timeline = std::make_unique<TTimeline>(project);
    LoadProject(project, *timeline, (dir / "test.kov").string());
  }

  synthetic::SyntheticRoom room;
  TProject project;
  std::unique_ptr<TTimeline> timeline;
};

}  // namespace glkov::testing
