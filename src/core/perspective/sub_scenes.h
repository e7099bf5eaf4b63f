#pragma once

// The sub-scene list MeshRegions: entry 0 the viewing window "Window", entries 1.. the
// sub-scenes in the order the camera visits them, always at least two entries. Entering a
// sub-scene cuts the pictures and loads its mesh, objects and camera path.

#include <string>
#include <vector>

#include "core/model/types.h"
#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;
class TTimeline;

// For a new original picture of PicWidth x PicHeight: "Window" (10, 10, PicWidth - 11,
// PicHeight - 11) and "Region 1" (the whole picture, default mesh), then LoadRegion(1) and
// CurrentRegion := 1.
void InitRegions(TProject& project);

// The default mesh of a sub-scene's rectangle (w = Right - Left, h = Bottom - Top): inner
// rectangle w div 3 .. 2 (w div 3) x h div 3 .. 2 (h div 3), vanishing point at its centre.
void DefaultRegionMesh(TMeshRegion& region);

// Appends "SubScene <n>" (n = entries before) at (PicWidth div 3, PicHeight div 3,
// MulDiv(PicWidth, 3, 4), MulDiv(PicHeight, 3, 4)) with its default mesh.
void AddSubScene(TProject& project);

// Asks "Really Delete '<name>'?" and on Yes removes the last sub-scene and sets CurrentRegion
// to -2. Refused quietly while only "Window" and one sub-scene exist. Returns whether deleted.
bool DeleteLastSubScene(TProject& project, UiCallbacks& callbacks = DefaultCallbacks());

// The items of a sub-scene combo box (the names of entries 1..); its item index is
// CurrentRegion - 1. Empty while there are fewer than two entries.
std::vector<std::string> FillRegionList(const TProject& project);

// The items of the sub-scene and transition list: sub-scene 1, "<1> to <2>", sub-scene 2, ...
std::vector<std::string> FillSceneTransitionList(const TProject& project);

// What item j of the sub-scene and transition list stands for.
struct SceneListItem {
  bool Transition = false;
  int Number = 1;  // sub-scene k, or the transition from sub-scene k to k + 1
};
SceneListItem SceneTransitionItem(int j);

// "Loading scene <k>..." and "Loading global scene (<k>-><k+1>)..." of the status bar.
std::string LoadingSceneText(int k);
std::string LoadingTransitionText(int k);

// Where a sub-scene's camera path file lies: a bare name in the project's folder, a name with a
// folder (as the timeline keeps it) as it stands.
std::string CameraPathLocation(const TProject& project, const std::string& name);

// Empties the texel arrays of the plane boards and the objects.
void FreeSceneTextures(TProject& project);

// Enters sub-scene k: clamps its rectangle to the original picture (writing it back), cuts the
// three pictures, loads its camera path (ProjectDir + CameraPath; a file that is not found is a
// callbacks.Warning and a new path is started) or starts a new one, LoadRegion(k), centres the
// viewing window of entry 0's size, TransitionMode := false, CurrentRegion := k.
// Throws glkov::Error for k outside the sub-scenes or a rectangle with no area in the picture.
void EnterSubScene(TProject& project, TTimeline& timeline, int k,
                   UiCallbacks& callbacks = DefaultCallbacks());

// Enters the transition from sub-scene k to k + 1: its TransitionPath is loaded or a new path
// started, the viewing window centred, TransitionMode := true, CurrentRegion := k.
void EnterTransition(TProject& project, TTimeline& timeline, int k,
                     UiCallbacks& callbacks = DefaultCallbacks());

// Leaves a transition for the sub-scene the working copy holds (before "Make" builds it): its
// camera path is loaded again as EnterSubScene loads it, TransitionMode := false, CurrentRegion
// := that sub-scene. Nothing happens outside a transition.
void LeaveTransition(TProject& project, TTimeline& timeline,
                     UiCallbacks& callbacks = DefaultCallbacks());

}  // namespace glkov
