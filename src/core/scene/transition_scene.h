#pragma once

#include "core/model/project.h"

namespace glkov {

// The flat scene of the transition from sub-scene k to k + 1: the whole original picture as plane
// board 0 (BuildPictureBoard) and the camera at sub-scene k's eye over it (SetSubSceneCamera);
// SceneMade := true. No objects are built; SceneScale, EyeHeight and EyeDistance keep the last
// Make's values (computed first when there was none). Throws glkov::Error for a k that is not a
// transition or a project without an original picture; the project is then unchanged.
void BuildTransitionScene(TProject& project, int k, bool negative);

}  // namespace glkov
