#include "core/model/mask_document.h"

#include "core/image/png_save.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"

namespace glkov {

CutOutRect CurrentCutOut(const TProject& p) {
  const int w = p.IOriginal.Width(), h = p.IOriginal.Height();
  const int k = p.WorkingRegion;
  if (k >= 1 && k < static_cast<int>(p.MeshRegions.size())) {
    const TMeshRegion& r = p.MeshRegions[static_cast<size_t>(k)];
    if (r.Right >= r.Left && r.Bottom >= r.Top) return {r.Left, r.Top, r.Right, r.Bottom};
  }
  return {0, 0, w - 1, h - 1};
}

void PrepareMaskForEditing(TProject& p, bool fresh) {
  if (p.IOriginal.Empty()) throw Error("Import an original picture before making its mask.");
  const int w = p.IOriginal.Width(), h = p.IOriginal.Height();
  if (fresh || p.IMask.Empty()) {
    p.IMask = TFastBMP(w, h);
    p.MaskFilename.clear();
  } else if (p.IMask.Width() != w || p.IMask.Height() != h) {
    TFastBMP stretched;
    p.IMask.StretchInto(stretched, w, h);
    p.IMask.Swap(stretched);
  } else {
    return;
  }
  MaskChanged(p);
}

void MaskChanged(TProject& p) {
  const CutOutRect r = CurrentCutOut(p);
  if (r.Right >= r.Left && r.Bottom >= r.Top) CropMask(p, r.Left, r.Top, r.Right, r.Bottom);
  p.ObjectsExtracted = false;
  p.MaskFilename.clear();  // no file holds it any more: saving the project writes one
  p.Modified = true;
}

std::string MaskFileBesideProject(const std::string& projectFileName) {
  std::filesystem::path path(projectFileName);
  const std::string stem = path.stem().string();
  return path.replace_filename(stem + "_mask.png").string();
}

void SaveMaskPng(const std::string& fileName, const TFastBMP& mask) {
  if (mask.Empty()) throw Error("Cannot write \"" + fileName + "\": the mask is empty.");
  SavePicturePNG(fileName, mask);
}

void SaveEditedMask(TProject& p, const std::string& projectFileName) {
  if (!p.MaskFilename.empty() || p.IMask.Empty()) return;
  const std::string fileName = MaskFileBesideProject(projectFileName);
  SaveMaskPng(fileName, p.IMask);
  p.MaskFilename = fileName;
}

}  // namespace glkov
