#include "app/pending_core.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/error.h"
#include "core/image/picture_file.h"

namespace glkov::app {

void ImportPicture(TProject& p, PictureKind kind, const std::string& fileName,
                   UiCallbacks& callbacks) {
  if (fileName.empty()) return;
  switch (kind) {
    case PictureKind::Original: {
      p.PictureFilename = fileName;
      TFastBMP picture;
      LoadPictureFile(fileName, picture, callbacks);
      p.IOriginal.Swap(picture);
      p.OriginalLoaded = true;
      p.PicWidth = p.IOriginal.Width();
      p.PicHeight = p.IOriginal.Height();
      ResetMeshDefaults(p);
      p.PerspectiveDone = false;
      p.IOriginal.CropInto(p.IOriginal_r, 0, 0, p.PicWidth - 1, p.PicHeight - 1);
      TMeshRegion window;
      window.Name = "Window";
      window.Left = 0;
      window.Top = 0;
      window.Right = p.PicWidth - 1;
      window.Bottom = p.PicHeight - 1;
      TMeshRegion region = window;
      region.Name = "Region 1";
      p.MeshRegions = {window, region};
      p.CurrentRegion = 1;
      StoreRegion(p, 1);
      if (!p.IMask.Empty() && p.IMask.Width() >= p.PicWidth && p.IMask.Height() >= p.PicHeight)
        p.IMask.CropInto(p.IMask_r, 0, 0, p.PicWidth - 1, p.PicHeight - 1);
      if (!p.IBackground.Empty() && p.IBackground.Width() >= p.PicWidth &&
          p.IBackground.Height() >= p.PicHeight)
        p.IBackground.CropInto(p.IBackground_r, 0, 0, p.PicWidth - 1, p.PicHeight - 1);
      break;
    }
    case PictureKind::Mask:
    case PictureKind::Background: {
      const bool mask = kind == PictureKind::Mask;
      (mask ? p.MaskFilename : p.BackgroundFilename) = fileName;
      TFastBMP picture;
      LoadPictureFile(fileName, picture, callbacks);
      TFastBMP& full = mask ? p.IMask : p.IBackground;
      full.Swap(picture);
      TFastBMP& cut = mask ? p.IMask_r : p.IBackground_r;
      if (p.PicWidth > 0 && full.Width() >= p.PicWidth && full.Height() >= p.PicHeight)
        full.CropInto(cut, 0, 0, p.PicWidth - 1, p.PicHeight - 1);
      else
        cut = full;
      if (mask) p.ObjectsExtracted = false;
      break;
    }
  }
  p.Modified = true;
}

void CloseProjectModel(TProject& p) { p = TProject{}; }

void LoadProjectFile(TProject&, const std::string& fileName, UiCallbacks&) {
  throw Error("Cannot open project " + fileName + ": project files are not supported yet");
}

void SaveProjectFile(const TProject&, const std::string& fileName) {
  throw Error("Cannot save project " + fileName + ": project files are not supported yet");
}

std::vector<MeshLine> MeshDrawing(const TProject& p, bool editView) {
  std::vector<MeshLine> lines;
  if (p.PicWidth <= 0) return lines;
  const double vx = p.VanishX, vy = p.VanishY;
  const double corners[4][2] = {{p.InnerLeft, p.InnerBottom},
                                {p.InnerRight, p.InnerBottom},
                                {p.InnerLeft, p.InnerTop},
                                {p.InnerRight, p.InnerTop}};
  if (editView)
    for (const auto& c : corners) lines.push_back({vx, vy, c[0], c[1], MeshLine::Guide});
  for (const auto& c : corners)
    lines.push_back({c[0], c[1], vx + 10 * (c[0] - vx), vy + 10 * (c[1] - vy), MeshLine::Outline});
  lines.push_back({p.InnerLeft, p.InnerBottom, p.InnerRight, p.InnerBottom, MeshLine::Outline});
  lines.push_back({p.InnerRight, p.InnerBottom, p.InnerRight, p.InnerTop, MeshLine::Outline});
  lines.push_back({p.InnerRight, p.InnerTop, p.InnerLeft, p.InnerTop, MeshLine::Outline});
  lines.push_back({p.InnerLeft, p.InnerTop, p.InnerLeft, p.InnerBottom, MeshLine::Outline});
  if (!editView && p.ObjectsExtracted) {
    for (const TfgObj& o : p.fgObjs) {
      lines.push_back({double(o.X1), double(o.Y1), double(o.X2), double(o.Y1), MeshLine::Object});
      lines.push_back({double(o.X2), double(o.Y1), double(o.X2), double(o.Y2), MeshLine::Object});
      lines.push_back({double(o.X2), double(o.Y2), double(o.X1), double(o.Y2), MeshLine::Object});
      lines.push_back({double(o.X1), double(o.Y2), double(o.X1), double(o.Y1), MeshLine::Object});
    }
  }
  return lines;
}

void SetHandlePoint(TProject& p, int tag, double x, double y) {
  switch (tag) {
    case 2:
      p.VanishX = x, p.VanishY = y;
      break;
    case 3:
      p.InnerLeft = x, p.InnerBottom = y;
      break;
    case 4:
      p.InnerLeft = x, p.InnerTop = y;
      break;
    case 5:
      p.InnerRight = x, p.InnerBottom = y;
      break;
    case 6:
      p.InnerRight = x, p.InnerTop = y;
      break;
    default:
      break;
  }
}

void HandlePoint(const TProject& p, int tag, double& x, double& y) {
  switch (tag) {
    case 2:
      x = p.VanishX, y = p.VanishY;
      break;
    case 3:
      x = p.InnerLeft, y = p.InnerBottom;
      break;
    case 4:
      x = p.InnerLeft, y = p.InnerTop;
      break;
    case 5:
      x = p.InnerRight, y = p.InnerBottom;
      break;
    default:
      x = p.InnerRight, y = p.InnerTop;
      break;
  }
}

void DragMeshGrid(TProject& p, int dx, int dy, bool shift, bool rightButton) {
  if (shift) {
    p.GridOffsetX += dx / 50.0;
    p.GridOffsetY += dy / 50.0;
  } else if (rightButton) {
    p.FocalLength += dy / 10.0;
  } else {
    p.GridDivisions = std::max(1.0, p.GridDivisions + dx / 50.0);
  }
}

double FieldOfView(const TProject& p) {
  return 2 * std::atan2((p.PicWidth / 2.0) / p.FocalLength, 1.0) * 180 / std::numbers::pi;
}

void SetFieldOfView(TProject& p, double degrees) {
  p.FocalLength = (p.PicWidth / 2.0) / std::tan(degrees / 2 * std::numbers::pi / 180);
}

}  // namespace glkov::app
