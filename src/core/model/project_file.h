#pragma once

// Project files (.kov): the three picture names, every sub-scene (rectangle, objects, mesh,
// camera path name, "Done", focal length), the viewing window and the work page.

#include <string>

#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;
class TTimeline;

inline constexpr const char* kProjectHeader = "KOV with Perpective Grid";
inline constexpr const char* kProjectHeader12 = "KOV 1.2 with Perpective Grid";
inline constexpr const char* kProjectHeader11 = "KOV 1.1 Multi-Mesh";

// Stores the working copy into the current sub-scene and writes the project (current version,
// CR LF, bare file names in UTF-8) through a temporary file; Modified := false on success.
// Throws glkov::Error naming the file; a failed save leaves the previous file and Modified.
void SaveProject(TProject& project, const std::string& fileName);

// What LoadProject read besides the model.
struct ProjectFileInfo {
  std::string Header;  // the file's first line
  int Version = 3;     // 3 current, 2 for "KOV 1.2 ...", 1 for "KOV 1.1 ..."
};

// Reads a project of any of the three versions into a freshly closed project: loads the three
// pictures from the project's folder, reads the sub-scenes, enters sub-scene 1 (its camera path
// goes into the timeline; a path file that is not found is a callbacks.Warning) and resets the
// object textures. Throws glkov::Error: "File is not a KOV file or wrong version.",
// "Invalid Original Picture Filename.", the picture loader's errors, or "<file>, line <n>: ..."
// for a malformed file. After a failure ProjectFileName is empty.
ProjectFileInfo LoadProject(TProject& project, TTimeline& timeline, const std::string& fileName,
                            UiCallbacks& callbacks = DefaultCallbacks());

// As LoadProject, but the pictures and camera paths are read from projectDir (ending in a
// separator) instead of the file's own folder: for a copy of a project kept apart from it.
ProjectFileInfo LoadProjectFrom(TProject& project, TTimeline& timeline, const std::string& fileName,
                                const std::string& projectDir,
                                UiCallbacks& callbacks = DefaultCallbacks());

// The window title of a project file: its name without folder and extension.
std::string ProjectTitle(const std::string& fileName);

}  // namespace glkov
