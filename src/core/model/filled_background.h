#pragma once

// A background picture filled automatically: it lives in the project until the project is
// saved, and is then written beside the project file as <project>_background.png.

#include <string>

#include "core/image/fast_bmp.h"

namespace glkov {

struct TProject;

// "<folder>/<name>_background.png" for the project file "<folder>/<name>.kov";
// "background.png" for a project without a file yet.
std::string FilledBackgroundName(const std::string& projectFileName);

// Makes background (the original's size) the project's background: IBackground, its cut-out of
// the current sub-scene, BackgroundFilename = FilledBackgroundName(ProjectFileName), and marks it
// to be written with the project (BackgroundFilled) and the project modified.
void AcceptFilledBackground(TProject& project, TFastBMP background);

// While BackgroundFilled: writes IBackground as FilledBackgroundName(projectFileName) (a PNG,
// through a temporary file), points BackgroundFilename at it and clears BackgroundFilled. Call
// it before the project file itself is saved. Throws glkov::Error naming the file.
void SaveFilledBackground(TProject& project, const std::string& projectFileName);

}  // namespace glkov
