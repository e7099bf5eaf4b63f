#include "core/perspective/sub_scenes.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/util/text_format.h"

namespace glkov {

std::string CameraPathLocation(const TProject& p, const std::string& name) {
  return DirPart(name).empty() ? p.ProjectDir + name : name;
}

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  const int64_t num = int64_t{a} * b;
  const int64_t half = c / 2;
  return static_cast<int>(num >= 0 ? (num + half) / c : (num - half) / c);
}

// Loads the path file into the timeline, or starts a new path when there is none. A file that
// is not there is reported and a new path started.
void LoadPathOrNew(TProject& p, TTimeline& timeline, const std::string& name,
                   UiCallbacks& callbacks) {
  if (name.empty()) {
    timeline.NewPath();
    return;
  }
  const std::string location = CameraPathLocation(p, name);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(location, ec)) {
    callbacks.Warning("Path file \"" + location + "\" not found.");
    timeline.NewPath();
    return;
  }
  LoadCameraPathFile(timeline, location, callbacks);
}

void CheckSubScene(const TProject& p, int k, bool transition) {
  const int last = static_cast<int>(p.MeshRegions.size()) - 1 - (transition ? 1 : 0);
  if (k < 1 || k > last) {
    throw Error(std::string(transition ? "There is no transition " : "There is no sub-scene ") +
                std::to_string(k) + ".");
  }
}

void ViewWindowFromEntry0(TProject& p) {
  const TMeshRegion& w = p.MeshRegions[0];
  SetViewWindowSize(p, w.Right - w.Left + 1, w.Bottom - w.Top + 1);
}

}  // namespace

void DefaultRegionMesh(TMeshRegion& r) {
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  r.InnerLeft = w / 3;
  r.InnerBottom = h / 3;
  r.InnerRight = 2 * r.InnerLeft;
  r.InnerTop = 2 * r.InnerBottom;
  r.VanishX = (r.InnerLeft + r.InnerRight) / 2;
  r.VanishY = (r.InnerBottom + r.InnerTop) / 2;
}

void InitRegions(TProject& p) {
  p.MeshRegions.assign(2, TMeshRegion{});
  TMeshRegion& window = p.MeshRegions[0];
  window.Name = "Window";
  window.Left = 10;
  window.Top = 10;
  window.Right = p.PicWidth - 11;
  window.Bottom = p.PicHeight - 11;
  TMeshRegion& region = p.MeshRegions[1];
  region.Name = "Region 1";
  region.Right = p.PicWidth - 1;
  region.Bottom = p.PicHeight - 1;
  DefaultRegionMesh(region);
  LoadRegion(p, 1);
  p.CurrentRegion = 1;
}

void AddSubScene(TProject& p) {
  TMeshRegion r;
  r.Name = "SubScene " + std::to_string(p.MeshRegions.size());
  r.Left = p.PicWidth / 3;
  r.Top = p.PicHeight / 3;
  r.Right = MulDiv(p.PicWidth, 3, 4);
  r.Bottom = MulDiv(p.PicHeight, 3, 4);
  DefaultRegionMesh(r);
  p.MeshRegions.push_back(std::move(r));
}

bool DeleteLastSubScene(TProject& p, UiCallbacks& callbacks) {
  if (p.MeshRegions.size() <= 2) return false;
  if (!callbacks.AskYesNo("Really Delete '" + p.MeshRegions.back().Name + "'?")) return false;
  p.MeshRegions.pop_back();
  p.CurrentRegion = -2;
  return true;
}

std::vector<std::string> FillRegionList(const TProject& p) {
  std::vector<std::string> items;
  if (p.MeshRegions.size() < 2) return items;
  for (size_t i = 1; i < p.MeshRegions.size(); ++i) items.push_back(p.MeshRegions[i].Name);
  return items;
}

std::vector<std::string> FillSceneTransitionList(const TProject& p) {
  std::vector<std::string> items;
  const size_t n = p.MeshRegions.size();
  if (n < 2) return items;
  for (size_t i = 1; i < n; ++i) {
    items.push_back(p.MeshRegions[i].Name);
    if (i < n - 1) items.push_back(p.MeshRegions[i].Name + " to " + p.MeshRegions[i + 1].Name);
  }
  return items;
}

SceneListItem SceneTransitionItem(int j) { return {j % 2 != 0, j / 2 + 1}; }

std::string LoadingSceneText(int k) { return "Loading scene " + std::to_string(k) + "..."; }

std::string LoadingTransitionText(int k) {
  return "Loading global scene (" + std::to_string(k) + "->" + std::to_string(k + 1) + ")...";
}

void FreeSceneTextures(TProject& p) {
  for (TBoard& b : p.Boards) {
    b.Texels.clear();
    b.Texels.shrink_to_fit();
  }
  for (TfgObj& o : p.fgObjs) {
    o.Texels.clear();
    o.Texels.shrink_to_fit();
  }
}

void EnterSubScene(TProject& p, TTimeline& timeline, int k, UiCallbacks& callbacks) {
  CheckSubScene(p, k, false);
  TMeshRegion& r = p.MeshRegions[static_cast<size_t>(k)];
  if (!p.IOriginal.Empty()) {
    const int left = std::max(r.Left, 0);
    const int top = std::max(r.Top, 0);
    const int right = std::min(r.Right, p.IOriginal.Width() - 1);
    const int bottom = std::min(r.Bottom, p.IOriginal.Height() - 1);
    if (right < left || bottom < top) {
      throw Error("Sub-scene \"" + r.Name + "\" (" + std::to_string(r.Left) + ", " +
                  std::to_string(r.Top) + ", " + std::to_string(r.Right) + ", " +
                  std::to_string(r.Bottom) + ") has no area inside the picture of " +
                  std::to_string(p.IOriginal.Width()) + " x " +
                  std::to_string(p.IOriginal.Height()) + " pixels.");
    }
    r.Left = left;
    r.Top = top;
    r.Right = right;
    r.Bottom = bottom;
  } else if (r.Right < r.Left || r.Bottom < r.Top) {
    throw Error("Sub-scene \"" + r.Name + "\" has no area.");
  }

  FreeSceneTextures(p);
  CropOriginal(p, r.Left, r.Top, r.Right, r.Bottom);
  CropMask(p, r.Left, r.Top, r.Right, r.Bottom);
  CropBackground(p, r.Left, r.Top, r.Right, r.Bottom);
  p.CurrentRegion = k;
  LoadPathOrNew(p, timeline, r.CameraPath, callbacks);
  LoadRegion(p, k);
  ViewWindowFromEntry0(p);
  p.TransitionMode = false;
}

void EnterTransition(TProject& p, TTimeline& timeline, int k, UiCallbacks& callbacks) {
  CheckSubScene(p, k, true);
  FreeSceneTextures(p);
  p.CurrentRegion = k;
  LoadPathOrNew(p, timeline, p.MeshRegions[static_cast<size_t>(k)].TransitionPath, callbacks);
  ViewWindowFromEntry0(p);
  p.TransitionMode = true;
}

void LeaveTransition(TProject& p, TTimeline& timeline, UiCallbacks& callbacks) {
  if (!p.TransitionMode) return;
  p.TransitionMode = false;
  const int k = WorkingRegionIndex(p);
  if (k < 1 || k >= static_cast<int>(p.MeshRegions.size())) return;
  p.CurrentRegion = k;
  LoadPathOrNew(p, timeline, p.MeshRegions[static_cast<size_t>(k)].CameraPath, callbacks);
}

}  // namespace glkov
