#include "core/model/filled_background.h"

#include <filesystem>
#include <utility>

#include "core/image/png_save.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"

namespace glkov {

std::string FilledBackgroundName(const std::string& projectFileName) {
  if (projectFileName.empty()) return "background.png";
  const std::filesystem::path p(projectFileName);
  return (p.parent_path() / (p.stem().string() + "_background.png")).string();
}

void AcceptFilledBackground(TProject& p, TFastBMP background) {
  p.IBackground = std::move(background);
  p.BackgroundFilename = FilledBackgroundName(p.ProjectFileName);
  p.BackgroundFilled = true;
  p.Modified = true;
  const int k = p.CurrentRegion;
  if (!p.TransitionMode && k >= 1 && k < static_cast<int>(p.MeshRegions.size())) {
    const TMeshRegion& r = p.MeshRegions[static_cast<size_t>(k)];
    CropBackground(p, r.Left, r.Top, r.Right, r.Bottom);
  } else if (p.PicWidth > 0 && p.PicHeight > 0) {
    CropBackground(p, 0, 0, p.PicWidth - 1, p.PicHeight - 1);
  }
}

void SaveFilledBackground(TProject& p, const std::string& projectFileName) {
  if (!p.BackgroundFilled) return;
  const std::string name = FilledBackgroundName(projectFileName);
  SavePicturePNG(name, p.IBackground);
  p.BackgroundFilename = name;
  p.BackgroundFilled = false;
}

}  // namespace glkov
