#include "core/model/picture_import.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/perspective/sub_scenes.h"

namespace glkov {

namespace {

// Copies the inclusive rectangle of source into target at the rectangle's size; pixels outside
// source stay black. An empty source leaves target empty.
void CropPicture(const TFastBMP& source, TFastBMP& target, int left, int top, int right,
                 int bottom) {
  if (right < left || bottom < top) {
    throw Error("Cannot cut out the empty rectangle (" + std::to_string(left) + ", " +
                std::to_string(top) + ", " + std::to_string(right) + ", " + std::to_string(bottom) +
                ").");
  }
  if (source.Empty()) {
    target = TFastBMP();
    return;
  }
  const int64_t w = int64_t{right} - left + 1;
  const int64_t h = int64_t{bottom} - top + 1;
  if (w > kMaxPictureSide || h > kMaxPictureSide) {
    throw Error("The cut-out of " + std::to_string(w) + " x " + std::to_string(h) +
                " pixels is larger than a picture may be.");
  }
  TFastBMP out(static_cast<int>(w), static_cast<int>(h));
  const int x0 = std::max(left, 0);
  const int x1 = std::min(right, source.Width() - 1);
  const int y0 = std::max(top, 0);
  const int y1 = std::min(bottom, source.Height() - 1);
  if (x0 <= x1) {
    const size_t bytes = 3 * static_cast<size_t>(x1 - x0 + 1);
    for (int y = y0; y <= y1; ++y) {
      std::memcpy(out.Pixel(x0 - left, y - top), source.Pixel(x0, y), bytes);
    }
  }
  target.Swap(out);
}

// Cuts the three pictures again for the sub-scene the working copy holds (the whole picture
// while there is none). keepExtraction: the mask is unchanged, so accepted objects stay valid.
void RecutPictures(TProject& p, bool keepExtraction) {
  if (p.IOriginal.Empty()) return;
  int left = 0, top = 0, right = p.IOriginal.Width() - 1, bottom = p.IOriginal.Height() - 1;
  const int k = WorkingRegionIndex(p);
  if (k >= 1 && k < static_cast<int>(p.MeshRegions.size())) {
    const TMeshRegion& r = p.MeshRegions[static_cast<size_t>(k)];
    if (r.Right >= r.Left && r.Bottom >= r.Top) {
      left = r.Left;
      top = r.Top;
      right = r.Right;
      bottom = r.Bottom;
    }
  }
  const bool extracted = p.ObjectsExtracted;
  CropOriginal(p, left, top, right, bottom);
  CropMask(p, left, top, right, bottom);
  CropBackground(p, left, top, right, bottom);
  if (keepExtraction) p.ObjectsExtracted = extracted;
}

// Tells when the mask or the background is not the size of the original picture (the import
// goes on: the cut-outs are taken at the original's coordinates).
void WarnSizes(const TProject& p, UiCallbacks& callbacks) {
  if (p.IOriginal.Empty()) return;
  const auto size = [](const TFastBMP& b) {
    return std::to_string(b.Width()) + " x " + std::to_string(b.Height()) + " pixels";
  };
  for (const auto& [picture, name] :
       {std::pair{&p.IMask, "mask"}, {&p.IBackground, "background"}}) {
    if (picture->Empty() ||
        (picture->Width() == p.IOriginal.Width() && picture->Height() == p.IOriginal.Height()))
      continue;
    callbacks.Warning(std::string("The ") + name + " picture (" + size(*picture) +
                      ") is not the size of the original picture (" + size(p.IOriginal) + ").");
  }
}

}  // namespace

void LoadOriginal(TProject& p, TTimeline& timeline, const std::string& fileName,
                  UiCallbacks& callbacks) {
  if (fileName.empty()) return;
  p.PictureFilename = fileName;
  p.OriginalLoaded = true;
  LoadPictureFile(fileName, p.IOriginal, callbacks);
  p.PicWidth = p.IOriginal.Width();
  p.PicHeight = p.IOriginal.Height();
  ResetMeshDefaults(p);
  timeline.NewPath();
  p.Page = 0;
  CropOriginal(p, 0, 0, p.PicWidth - 1, p.PicHeight - 1);
  InitRegions(p);
  RecutPictures(p, false);
  WarnSizes(p, callbacks);
}

void LoadMask(TProject& p, const std::string& fileName, UiCallbacks& callbacks) {
  if (fileName.empty()) return;
  p.MaskFilename = fileName;
  LoadPictureFile(fileName, p.IMask, callbacks);
  RecutPictures(p, false);
  WarnSizes(p, callbacks);
}

void LoadBackground(TProject& p, const std::string& fileName, UiCallbacks& callbacks) {
  if (fileName.empty()) return;
  p.BackgroundFilename = fileName;
  LoadPictureFile(fileName, p.IBackground, callbacks);
  RecutPictures(p, true);
  WarnSizes(p, callbacks);
}

void CropOriginal(TProject& p, int left, int top, int right, int bottom) {
  CropPicture(p.IOriginal, p.IOriginal_r, left, top, right, bottom);
  p.PicWidth = p.IOriginal_r.Width();
  p.PicHeight = p.IOriginal_r.Height();
}

void CropMask(TProject& p, int left, int top, int right, int bottom) {
  CropPicture(p.IMask, p.IMask_r, left, top, right, bottom);
  p.ObjectsExtracted = false;
}

void CropBackground(TProject& p, int left, int top, int right, int bottom) {
  CropPicture(p.IBackground, p.IBackground_r, left, top, right, bottom);
}

void CloseProject(TProject& p, TTimeline& timeline) {
  p.OriginalLoaded = false;
  timeline.NewPath();
  p.PictureFilename.clear();
  p.MaskFilename.clear();
  p.BackgroundFilename.clear();
  p.ProjectFileName.clear();
  p.PerspectiveDone = false;
  for (TFastBMP* b : {&p.IOriginal, &p.IMask, &p.IBackground, &p.IOriginal_r, &p.IMask_r,
                      &p.IBackground_r, &p.LabelImage}) {
    *b = TFastBMP();
  }
  p.PicWidth = 0;
  p.PicHeight = 0;
  p.MeshRegions.clear();
  p.CurrentRegion = -2;
  p.WorkingRegion = -2;
  ClearObjects(p);
  p.Boards = {};
  p.ObjectsExtracted = false;
  p.SceneMade = false;
  p.TransitionMode = false;
  p.Modified = false;
  p.CameraPathFile.clear();
  p.ProjectDir.clear();
}

}  // namespace glkov
