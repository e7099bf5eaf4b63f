#pragma once

// Camera path files (.cam): the rates of a timeline and its keys, one line each, CR LF.

#include <string>

#include "core/animation/timeline.h"
#include "core/ui_callbacks.h"

namespace glkov {

inline constexpr const char* kCameraPathHeader = "KOV Camera Path File 1.1";

// Writes the timeline's rates and keys to fileName through a temporary file. On success the
// caption and CameraPathFile take fileName and the sub-scene's CameraPath its bare name (the one
// the working copy holds; while a transition is shown, the one it starts from). Throws glkov::Error
// naming the file; a failed save leaves the previous file and the names.
void SaveCameraPathFile(TTimeline& timeline, const std::string& fileName);

// Reads a camera path file into the timeline (a new path first, then the rates and the keys)
// and selects key 1. Questions ("Delete current keyframe?" for a count below two) go through
// callbacks. Throws glkov::Error: "Path file "<name>" not found." (timeline unchanged),
// "Not a valid KOV Camera File or wrong version." (timeline unchanged), "I/O error 106: ..."
// for a field that is not a number, and a message naming the file and line when it ends early.
void LoadCameraPathFile(TTimeline& timeline, const std::string& fileName,
                        UiCallbacks& callbacks = DefaultCallbacks());

}  // namespace glkov
