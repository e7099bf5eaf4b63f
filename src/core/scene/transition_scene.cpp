#include "core/scene/transition_scene.h"

#include <string>

#include "core/error.h"
#include "core/scene/camera.h"
#include "core/scene/scene_builder.h"

namespace glkov {

void BuildTransitionScene(TProject& project, int k, bool negative) {
  if (k < 1 || k + 1 >= static_cast<int>(project.MeshRegions.size()))
    throw Error("There is no transition " + std::to_string(k) + ".");
  if (project.IOriginal.Empty())
    throw Error("Cannot make the transition scene: there is no original picture.");
  BuildPictureBoard(project, negative);
  SetSubSceneCamera(project, k);
  project.SceneMade = true;
}

}  // namespace glkov
