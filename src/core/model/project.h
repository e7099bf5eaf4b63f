#pragma once

// The open scene project: pictures, sub-scene list, the working copy of the current sub-scene,
// focal length, viewing window and camera. One instance, owned by whoever drives the program
// (the main window, the command-line tool, a test) and passed by reference.

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/model/types.h"

namespace glkov {

struct TProject {
  // --- project-wide state ---
  std::string ProjectFileName;  // full path of the open project file; empty when untitled
  std::string ProjectDir;       // directory part of ProjectFileName with its trailing separator
  bool Modified = false;
  bool OriginalLoaded = false;
  bool NewProjectStarted = false;

  // Full file names of the three pictures (the file-name boxes of the picture pages).
  std::string PictureFilename;
  std::string MaskFilename;
  std::string BackgroundFilename;
  // IBackground was filled automatically and is written beside the project when it is saved.
  bool BackgroundFilled = false;

  // The three pictures as loaded, and the current sub-scene cut out of each.
  TFastBMP IOriginal, IMask, IBackground;
  TFastBMP IOriginal_r, IMask_r, IBackground_r;
  int PicWidth = 0;  // size of IOriginal_r
  int PicHeight = 0;

  // Entry 0 is the viewing window "Window", entries 1.. the sub-scenes.
  std::vector<TMeshRegion> MeshRegions;
  int CurrentRegion = -2;  // index of the sub-scene in the working copy; -2 for none
  // The sub-scene the working copy was loaded from (LoadRegion). It differs from CurrentRegion
  // while the divider has picked another entry or a transition is shown; -2 for none.
  int WorkingRegion = -2;

  double FocalLength = 0;  // eye to picture plane, picture pixels; one value for the project

  // The viewing window (the part of the picture an output frame shows), picture coordinates.
  double ViewLeft = 0, ViewRight = 0, ViewTop = 0, ViewBottom = 0;
  int ViewWidth = 0, ViewHeight = 0;

  std::string CameraPathFile;  // full name of the camera path last loaded or saved; empty if new

  double SceneScale = 0;  // picture pixels per scene unit; 0 before the first make
  double EyeDistance = 1.0;
  double EyeHeight = 0;
  TCamera Camera;

  // --- working copy of the current sub-scene ---
  double InnerLeft = 0, InnerRight = 0, InnerBottom = 0, InnerTop = 0;
  double VanishX = 0, VanishY = 0;
  std::vector<TfgObj> fgObjs;  // fgObjCount() is its length
  std::array<TBoard, 5> Boards;
  bool PerspectiveDone = false;
  int fgObjCount() const { return static_cast<int>(fgObjs.size()); }

  // --- mesh editor state (not per sub-scene) ---
  double GridDivisions = 8.0;
  double GridOffsetX = 0;
  double GridOffsetY = 0;

  // --- object extraction ---
  bool ObjectsExtracted = false;  // an extraction was accepted for the current mask
  TFastBMP LabelImage;            // the last extraction's working image; empty when none

  // --- view state ---
  int Page = 0;                 // work page shown (0..5)
  bool TransitionMode = false;  // the 3D view shows a transition board
  bool SceneMade = false;
};

// Sets the default mesh, focal length (a 60 degree field of view), grid, camera and viewing
// window for the current PicWidth x PicHeight.
void ResetMeshDefaults(TProject& project);

// Copies the working copy (mesh, objects, "Done", camera path name) into MeshRegions[index];
// does nothing for an index outside the list. While a transition is shown the camera path is the
// transition's, so the sub-scene keeps its own.
void StoreRegion(TProject& project, int index);

// The sub-scene the working copy holds: WorkingRegion, or CurrentRegion for a working copy that
// was never loaded from the list.
int WorkingRegionIndex(const TProject& project);

// Stores the working copy into its sub-scene (WorkingRegionIndex); never into the view window
// (entry 0).
void StoreWorkingRegion(TProject& project);

// The reverse of StoreRegion: MeshRegions[index] becomes the working copy. Object fields that
// the sub-scene does not keep (boards, textures) stay as the list held them.
void LoadRegion(TProject& project, int index);

// Centres a viewing window of w x h pixels in the current picture; no clamping.
void SetViewWindowSize(TProject& project, int w, int h);

// The smallest power of two from 16 that is at least the largest value, capped at cap (1024, the
// standard texture detail; up to 4096 for high detail).
int TextureSize(std::initializer_list<int> sizes, int cap = 1024);

// Removes every foreground object of the working copy.
void ClearObjects(TProject& project);

// Every object's texture back to 32 x 32, not uploaded.
void ResetObjectTextures(TProject& project);

}  // namespace glkov
