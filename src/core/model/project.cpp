#include "core/model/project.h"

#include <algorithm>
#include <cmath>

#include "core/util/text_format.h"

namespace glkov {

void ResetMeshDefaults(TProject& p) {
  p.InnerLeft = p.PicWidth / 3;
  p.InnerBottom = p.PicHeight / 3;
  p.InnerRight = 2 * p.InnerLeft;
  p.InnerTop = 2 * p.InnerBottom;
  p.VanishX = (p.InnerLeft + p.InnerRight) / 2;
  p.VanishY = (p.InnerBottom + p.InnerTop) / 2;
  p.FocalLength = RoundHalfEven64(std::sqrt(3.0) * p.PicWidth) / 2;
  p.EyeDistance = 1.0;
  p.GridDivisions = 8.0;
  p.GridOffsetX = 0;
  p.GridOffsetY = 0;
  p.Camera.CamPos = {0, p.EyeHeight, p.EyeDistance};
  p.Camera.CamDir = {0, 0, -1};
  p.Camera.CamUp = {0, 1, 0};
  p.ViewLeft = 1.0;
  p.ViewBottom = 1.0;
  p.ViewRight = p.PicWidth - 2;
  p.ViewTop = p.PicHeight - 2;
}

void StoreRegion(TProject& p, int index) {
  if (index < 0 || index >= static_cast<int>(p.MeshRegions.size())) return;
  TMeshRegion& r = p.MeshRegions[static_cast<size_t>(index)];
  CopyMesh(p, r);
  r.ObjCount = p.fgObjCount();
  r.Objects.resize(p.fgObjs.size());
  for (size_t i = 0; i < p.fgObjs.size(); ++i) {
    const TfgObj& o = p.fgObjs[i];
    r.Objects[i] = {o.X1, o.Y1, o.X2, o.Y2, o.Parent, o.Name};
  }
  r.PerspectiveDone = p.PerspectiveDone;
  if (!p.TransitionMode) r.CameraPath = p.CameraPathFile;
}

int WorkingRegionIndex(const TProject& p) {
  return p.WorkingRegion >= 0 ? p.WorkingRegion : p.CurrentRegion;
}

void StoreWorkingRegion(TProject& p) {
  const int k = WorkingRegionIndex(p);
  if (k >= 1) StoreRegion(p, k);
}

void LoadRegion(TProject& p, int index) {
  if (index < 0 || index >= static_cast<int>(p.MeshRegions.size())) return;
  const TMeshRegion& r = p.MeshRegions[static_cast<size_t>(index)];
  CopyMesh(r, p);
  const size_t count = std::min(static_cast<size_t>(std::max(r.ObjCount, 0)), r.Objects.size());
  p.fgObjs.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const TRegionObject& o = r.Objects[i];
    TfgObj& f = p.fgObjs[i];
    f.X1 = o.X1;
    f.Y1 = o.Y1;
    f.X2 = o.X2;
    f.Y2 = o.Y2;
    f.Parent = o.Parent;
    f.Name = o.Name;
  }
  p.PerspectiveDone = r.PerspectiveDone;
  p.CameraPathFile = r.CameraPath;
  p.WorkingRegion = index;
}

void SetViewWindowSize(TProject& p, int w, int h) {
  p.ViewWidth = w;
  p.ViewHeight = h;
  p.ViewLeft = (p.PicWidth - w) / 2;
  p.ViewBottom = (p.PicHeight - h) / 2;
  p.ViewRight = p.PicWidth - p.ViewLeft;
  p.ViewTop = p.PicHeight - p.ViewBottom;
}

int TextureSize(std::initializer_list<int> sizes) {
  const int largest = sizes.size() ? std::max(sizes) : 0;
  int size = 16;
  while (largest > size && size < 1024) size *= 2;
  return size;
}

void ClearObjects(TProject& p) { p.fgObjs.clear(); }

void ResetObjectTextures(TProject& p) {
  for (TfgObj& o : p.fgObjs) {
    o.TexWidth = o.TexHeight = TextureSize({32});
    o.TexUploaded = false;
  }
}

}  // namespace glkov
