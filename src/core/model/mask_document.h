#pragma once

// The project's side of editing the object mask in the program: a mask of the original's size to
// edit, the cut-out that follows every edit, and the PNG beside the project that an edited mask
// is saved to.

#include <string>

#include "core/image/fast_bmp.h"

namespace glkov {

struct TProject;

// The rectangle of the whole picture the current cut-outs show (rows from the top, inclusive):
// the rectangle of the sub-scene in the working copy, or the whole original.
struct CutOutRect {
  int Left = 0, Top = 0, Right = -1, Bottom = -1;
};
CutOutRect CurrentCutOut(const TProject& project);

// Makes IMask editable: an all-black mask of the original's size when there is none ("New
// mask" when fresh is set, which also drops a loaded one), a mask of another size stretched to
// the original's. Follows with MaskChanged when anything changed. Throws glkov::Error when no
// original picture is loaded.
void PrepareMaskForEditing(TProject& project, bool fresh = false);

// After an edit of IMask: the mask's cut-out is made again (which clears ObjectsExtracted, so the
// object page and the next extraction follow), the mask no longer comes from a file (its name is
// cleared, so saving the project writes it), and the project is modified.
void MaskChanged(TProject& project);

// "<folder>/<project name>_mask.png" for a project file name.
std::string MaskFileBesideProject(const std::string& projectFileName);

// Writes a mask picture as a 24-bit PNG through a temporary file renamed into place. Throws
// glkov::Error naming the file.
void SaveMaskPng(const std::string& fileName, const TFastBMP& mask);

// A mask without a file (made or changed in the program since it was last saved) is written
// beside the project file that is about to be written, and the project refers to it.
void SaveEditedMask(TProject& project, const std::string& projectFileName);

}  // namespace glkov
