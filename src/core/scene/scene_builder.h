#pragma once

// Building the textured 3D scene of the current sub-scene: five plane boards (floor, right wall,
// left wall, ceiling, rear wall) cut out of the background picture, one upright board per
// foreground object cut out of the original picture with alpha from the mask, the draw order of
// the objects and the eye from which the photograph was taken.
//
// Scene coordinates: scene units (SceneScale picture pixels), y up, the picture plane is z = 0,
// the floor y = 0, the eye at (0, EyeHeight, EyeDistance) looking along -z; x = 0 is the vertical
// through the vanishing point. Picture coordinates: pixels of the current sub-scene picture, y
// counted upward from the bottom row.
//
// Texture orientation handed to the renderer: a plane board maps texture coordinates (0,0) to
// corner 2, (1,0) to corner 1, (1,1) to corner 0 and (0,1) to corner 3; an object board maps
// (0,0) to corner 0, (1,0) to corner 1, (1,1) to corner 2 and (0,1) to corner 3. The first texel
// row is t = 0. Objects are drawn as fgObjs[fgObjs[i].DrawOrder] for i = 0 ... fgObjCount - 1,
// far to near.

#include "core/model/project.h"
#include "core/objects/extraction.h"
#include "core/ui_callbacks.h"

namespace glkov {

// The box of the rear wall in scene units: the walls stand at x = XL and x = XR, the ceiling is at
// y = Yc and the rear wall lies in the plane z = Zr; Dr is the rear wall's depth factor (the
// ratio of its distance from the eye to that of the picture plane, above 1).
struct RearCorners {
  double XL = 0;
  double XR = 0;
  double Yc = 0;
  double Zr = 0;
  double Dr = 1;
};

struct MakeSceneOptions {
  // The automatic extraction run while ObjectsExtracted is clear.
  ExtractOptions Extraction;
  // "Negative Output": every colour byte of every texture becomes 255 - v when it is sampled.
  bool Negative = false;
  // The largest texture side: 1024 the standard detail, up to 4096 for large photographs.
  int TextureMax = 1024;
};

// Picture pixels per scene unit: the mean over every MeshRegions entry (the viewing window entry 0
// included) of max(VanishX, VanishY, |Left - Right| - VanishX, |Top - Bottom| - VanishY). Throws
// glkov::Error when the list is empty or the mean is not a positive number.
double ComputeSceneScale(const TProject& project);

// Computes SceneScale, EyeDistance and EyeHeight into the project, the five plane boards (corners
// in picture and scene coordinates, texture size, texels sampled from IBackground_r; texels whose
// picture point falls outside the picture are black) and returns the rear wall's box. Throws
// glkov::Error, leaving the project unchanged, when the mesh cannot be built: the rear wall not
// behind the picture plane, a radial that is horizontal or vertical where it is divided by, a
// focal length that is not positive, a corner far outside any picture.
// textureMax caps the boards' texture sides (see TextureSize).
RearCorners BuildScene(TProject& project, bool negative, int textureMax = 1024);

// Places every object's board upright and parallel to the picture plane at the depth where its
// touching edge meets its plane (Parent 1 Floor: the bottom row; 4 Ceiling: the top row; 3 Left
// Wall: the left column; 2 Right Wall: the right column); objects of the Rear Wall (Parent 5) lie
// flat on the rear wall, one picture pixel in front of it so that they are never hidden by it. An
// object that cannot be placed (its touching edge at the height or in the column of the vanishing
// point, or no plane to stand on) keeps its record, gets a board collapsed to a point and is
// reported through ui.Warning. Then grows the plane boards (GrowPlaneBoards).
void BuildObjectBoards(TProject& project, const RearCorners& rear,
                       UiCallbacks& ui = DefaultCallbacks());

// Moves the corners of the five plane boards one picture pixel (1 / SceneScale) outward in both
// directions of each plane, so that neighbouring planes overlap at the seams. The texels stay.
void GrowPlaneBoards(TProject& project);

// Fills DrawOrder so that fgObjs[fgObjs[i].DrawOrder] runs from the most distant object (smallest
// Z of corner 0) to the nearest; objects at equal depth keep their order.
void SortObjectsByDepth(TProject& project);

// Samples every object's RGBA texels: colours from IOriginal_r, alpha from IMask_r's red byte
// where the pixel belongs to the object's region of the label image (or, without a label image,
// where the mask's red byte equals the object's index). Texture row 0 is the object's bottom row.
void BuildObjectTextures(TProject& project, bool negative, int textureMax = 1024);

// The flat board of a transition: board 0 becomes the whole original picture (IOriginal) at
// z = 0, W / SceneScale x H / SceneScale scene units, its texels the picture stretched to the
// texture size with texel row 0 the picture's top row. Before the first make the scene scale,
// eye distance and eye height are computed from the sub-scene list and the working copy.
void BuildPictureBoard(TProject& project, bool negative);

// Fills SceneScale, EyeDistance and EyeHeight when no scene has been made yet (SceneScale not
// positive), as a make of the current working copy would. Throws glkov::Error when the sub-scene
// list gives no scale or the focal length is not positive.
void EnsureSceneScale(TProject& project);

// The "Make" command's work on the model: runs the automatic object extraction and accepts it when
// ObjectsExtracted is clear, then BuildScene, BuildObjectBoards, SortObjectsByDepth,
// BuildObjectTextures and SetDefaultCamera; marks every texture not uploaded and sets SceneMade.
// Throws glkov::Error when the mesh cannot be built (the scene is then not made).
RearCorners MakeScene(TProject& project, const MakeSceneOptions& options = {},
                      UiCallbacks& ui = DefaultCallbacks());

}  // namespace glkov
