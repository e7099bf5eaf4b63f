#pragma once

// A small synthetic room project with one sub-scene and a two-key camera path, for the export
// and player windows.

#include <memory>

#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "support/small_room.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {

struct ExportRoom {
  // Writes the project into dir and opens it as the program does.
  explicit ExportRoom(const TempDir& dir, int fpk = 10)
      : room(synthetic::MakeSyntheticRoom(SmallRoomOptions())) {
    WriteSubScenesProject(room, dir, {StraightPath(room, 2, fpk)});
    timeline = std::make_unique<TTimeline>(project);
    LoadProject(project, *timeline, (dir / "test.kov").string());
  }

  synthetic::SyntheticRoom room;
  TProject project;
  std::unique_ptr<TTimeline> timeline;
};

}  // namespace glkov::testing
