#pragma once

// Importing the three pictures into the project and cutting out the current sub-scene. The
// windows only call these and show the result.

#include <string>

#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;
class TTimeline;

// Imports the original picture (nothing for an empty name): file name, picture, PicWidth x
// PicHeight, default mesh, a new camera path, page 0, the whole-picture cut-out and the
// sub-scene list "Window" + "Region 1" with sub-scene 1 current. Throws the loader's
// glkov::Error; the file name is then already taken and the previous picture kept.
void LoadOriginal(TProject& project, TTimeline& timeline, const std::string& fileName,
                  UiCallbacks& callbacks = DefaultCallbacks());

// Imports the object mask / the background picture (nothing for an empty name). Every import
// (the original's too) cuts all three pictures again for the sub-scene the working copy holds,
// and a callbacks.Warning names both sizes when the mask or the background is not the size of
// the original picture.
void LoadMask(TProject& project, const std::string& fileName,
              UiCallbacks& callbacks = DefaultCallbacks());
void LoadBackground(TProject& project, const std::string& fileName,
                    UiCallbacks& callbacks = DefaultCallbacks());

// The cut-outs: the inclusive rectangle (whole-picture pixels, rows from the top) becomes
// IOriginal_r / IMask_r / IBackground_r, (right - left + 1) x (bottom - top + 1) pixels; parts
// outside the picture are black. CropOriginal sets PicWidth, PicHeight; CropMask clears
// ObjectsExtracted. A picture that is not loaded leaves its cut-out empty. Throws glkov::Error
// for an empty rectangle.
void CropOriginal(TProject& project, int left, int top, int right, int bottom);
void CropMask(TProject& project, int left, int top, int right, int bottom);
void CropBackground(TProject& project, int left, int top, int right, int bottom);

// The model's part of closing a project (the window asks to save a modified project first):
// no pictures, no names, no sub-scenes, a new camera path, nothing made.
void CloseProject(TProject& project, TTimeline& timeline);

}  // namespace glkov
