#include "tools/synthetic_room.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <utility>

#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/util/atomic_file.h"
#include "core/util/text_format.h"

namespace glkov::synthetic {

namespace {

constexpr double kFloorEpsilon = 1e-6;  // picture pixels; absorbs rounding at the floor row
constexpr int kMinExtent = 16;          // the extraction's default minimum size

[[noreturn]] void Fail(const std::string& message) { throw Error("Sample project: " + message); }

double FloorMod(double v, double period) { return v - period * std::floor(v / period); }

int Cell(double v, double period) { return static_cast<int>(std::floor(v / period)); }

Rgb Mix(Rgb a, int add) {
  auto c = [add](uint8_t v) { return static_cast<uint8_t>(std::clamp(v + add, 0, 255)); };
  return {c(a.r), c(a.g), c(a.b)};
}

// The board of one object in picture-pixel units.
struct Board {
  double depth = 0;    // depth factor D of its plane
  double centerX = 0;  // x of its centre line
  double width = 0;
  double height = 0;
};

Board BoardOf(const SyntheticRoomOptions& o, const RoomObject& obj) {
  Board b;
  b.depth = o.VanishY / (o.VanishY - obj.FloorRow);
  b.centerX = o.VanishX + (obj.CenterX - o.VanishX) * b.depth;
  b.width = obj.Width * b.depth;
  b.height = obj.Height * b.depth;
  return b;
}

// Whether the board point (u across from the centre line, v above the floor) is opaque.
bool InsideShape(ObjectShape shape, const Board& b, double u, double v) {
  if (v < -kFloorEpsilon || v > b.height) return false;
  v = std::max(v, 0.0);
  const double au = std::abs(u);
  switch (shape) {
    case ObjectShape::kRoundedBox: {
      if (au > b.width / 2) return false;
      const double r = std::min(b.width, b.height) / 5;
      const double cx = b.width / 2 - r;
      if (au <= cx || (v >= r && v <= b.height - r)) return true;
      const double cy = v < r ? r : b.height - r;
      return (au - cx) * (au - cx) + (v - cy) * (v - cy) <= r * r;
    }
    case ObjectShape::kDiscOnPost: {
      const double r = std::min(b.width, b.height) / 2;
      const double cy = b.height - r;
      if (u * u + (v - cy) * (v - cy) <= r * r) return true;
      return au <= b.width / 12 && v <= cy;
    }
    case ObjectShape::kLamp: {
      const double half = b.width / 2 - (b.width / 2 - b.width / 8) * v / b.height;
      return au <= half;
    }
  }
  return false;
}

Rgb ShadeObject(ObjectShape shape, const Board& b, double u, double v) {
  switch (shape) {
    case ObjectShape::kRoundedBox: {
      const bool upper = v > b.height / 2;
      if (u < 0) return upper ? Rgb{40, 120, 220} : Rgb{30, 170, 170};
      return upper ? Rgb{240, 140, 30} : Rgb{150, 60, 170};
    }
    case ObjectShape::kDiscOnPost: {
      const double r = std::min(b.width, b.height) / 2;
      const double cy = b.height - r;
      if (u * u + (v - cy) * (v - cy) <= r * r) {
        return v > cy ? Rgb{220, 40, 40} : Rgb{240, 200, 40};
      }
      return {90, 90, 100};
    }
    case ObjectShape::kLamp: {
      if (v > 0.45 * b.height && v < 0.55 * b.height) return {60, 40, 20};
      return u < 0 ? Rgb{250, 220, 120} : Rgb{180, 120, 40};
    }
  }
  return {};
}

void PutPixel(TFastBMP& bmp, int column, int row, Rgb c) {
  uint8_t* p = bmp.Pixel(column, row);
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

// The objects' pixels as the mask shows them: one bounding box per object.
struct ObjectPixels {
  int count = 0;
  int minX = std::numeric_limits<int>::max(), maxX = -1;
  int minRow = std::numeric_limits<int>::max(), maxRow = -1;
  int firstColumnOfTopRow = -1;
};

// Checks that every object is one 4-connected region that touches neither another object nor
// the picture's edge, stands on its floor row, and is large enough to be kept by the extraction.
std::vector<ObjectPixels> CheckObjectRegions(const SyntheticRoomOptions& o,
                                             const std::vector<int>& ids) {
  const int w = o.Width, h = o.Height;
  std::vector<ObjectPixels> objs(o.Objects.size());
  auto at = [&](int x, int row) { return ids[static_cast<size_t>(row) * w + x]; };
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < w; ++x) {
      const int id = at(x, row);
      if (id < 0) continue;
      const std::string name = "object " + std::to_string(id + 1);
      if (x == 0 || row == 0 || x == w - 1 || row == h - 1)
        Fail(name + " touches the picture's edge");
      if ((at(x + 1, row) >= 0 && at(x + 1, row) != id) ||
          (at(x, row + 1) >= 0 && at(x, row + 1) != id)) {
        Fail(name + " touches another object");
      }
      ObjectPixels& p = objs[static_cast<size_t>(id)];
      if (p.count == 0) p.firstColumnOfTopRow = x;
      ++p.count;
      p.minX = std::min(p.minX, x);
      p.maxX = std::max(p.maxX, x);
      p.minRow = std::min(p.minRow, row);
      p.maxRow = std::max(p.maxRow, row);
    }
  }
  for (size_t i = 0; i < objs.size(); ++i) {
    const std::string name = "object " + std::to_string(i + 1);
    const ObjectPixels& p = objs[i];
    if (p.count == 0) Fail(name + " is not seen");
    if (h - 1 - p.maxRow != o.Objects[i].FloorRow) {
      Fail(name + " does not reach its floor row " + std::to_string(o.Objects[i].FloorRow));
    }
    if (p.maxX - p.minX < kMinExtent && p.maxRow - p.minRow < kMinExtent) {
      Fail(name + " is smaller than 16 x 16 pixels");
    }
    // One 4-connected region: a fill from its first pixel reaches all of its pixels.
    std::vector<uint8_t> seen(ids.size(), 0);
    std::vector<std::pair<int, int>> stack{{p.firstColumnOfTopRow, p.minRow}};
    seen[static_cast<size_t>(p.minRow) * w + p.firstColumnOfTopRow] = 1;
    int reached = 0;
    while (!stack.empty()) {
      const auto [x, row] = stack.back();
      stack.pop_back();
      ++reached;
      const std::array<std::pair<int, int>, 4> next{
          {{x - 1, row}, {x + 1, row}, {x, row - 1}, {x, row + 1}}};
      for (const auto& [nx, nr] : next) {
        const size_t k = static_cast<size_t>(nr) * w + nx;
        if (at(nx, nr) == static_cast<int>(i) && !seen[k]) {
          seen[k] = 1;
          stack.emplace_back(nx, nr);
        }
      }
    }
    if (reached != p.count) Fail(name + " falls apart into several regions");
  }
  return objs;
}

std::string Crlf(const std::string& line) { return line + "\r\n"; }

std::string NoNegativeZero(double v) { return FormatG15(v == 0 ? 0.0 : v); }

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("Cannot read " + path.string() + ".");
  std::ostringstream s;
  s << in.rdbuf();
  if (!in && !in.eof()) throw Error("Cannot read " + path.string() + ".");
  return s.str();
}

TMeshRegion WindowEntry(int width, int height, int left, int top, int right, int bottom) {
  TMeshRegion window;
  window.Name = "Window";
  if (left < 0) {
    window.Left = 10;
    window.Top = 10;
    window.Right = width - 11;
    window.Bottom = height - 11;
  } else {
    window.Left = left;
    window.Top = top;
    window.Right = right;
    window.Bottom = bottom;
  }
  return window;
}

}  // namespace

std::vector<RoomObject> DefaultRoomObjects() {
  return {
      {ObjectShape::kDiscOnPost, 170, 40, 90, 140},
      {ObjectShape::kRoundedBox, 330, 95, 100, 70},
      {ObjectShape::kLamp, 480, 60, 70, 110},
  };
}

RoomGeometry ComputeRoomGeometry(const SyntheticRoomOptions& o) {
  if (o.Width < 16 || o.Height < 16 || o.Width > kMaxPictureSide || o.Height > kMaxPictureSide) {
    Fail("the picture must be 16 to 16384 pixels on a side");
  }
  if (!(o.InnerBottom > 0 && o.InnerBottom < o.VanishY && o.VanishY < o.InnerTop)) {
    Fail("the mesh needs 0 < InnerBottom < VanishY < InnerTop");
  }
  if (!(o.InnerLeft < o.VanishX && o.VanishX < o.InnerRight)) {
    Fail("the mesh needs InnerLeft < VanishX < InnerRight");
  }
  if (!(o.FocalLength > 0)) Fail("the focal length must be positive");
  RoomGeometry g;
  g.RearDepth = o.VanishY / (o.VanishY - o.InnerBottom);
  g.LeftX = o.VanishX + (o.InnerLeft - o.VanishX) * g.RearDepth;
  g.RightX = o.VanishX + (o.InnerRight - o.VanishX) * g.RearDepth;
  g.CeilingY = o.VanishY + (o.InnerTop - o.VanishY) * g.RearDepth;
  g.RearZ = o.FocalLength * (1 - g.RearDepth);
  return g;
}

RayHit CastRay(const SyntheticRoomOptions& o, const RoomGeometry& g, double px, double py,
               bool withObjects) {
  const double dx = px - o.VanishX;
  const double dy = py - o.VanishY;
  // The eye is inside the box's cross-section, so the ray leaves it through the nearest of the
  // planes it runs towards.
  RayHit hit;
  hit.surface = Surface::kRearWall;
  hit.depth = g.RearDepth;
  auto consider = [&hit](Surface s, double t) {
    if (t > 0 && t < hit.depth) {
      hit.surface = s;
      hit.depth = t;
    }
  };
  if (dy < 0) consider(Surface::kFloor, o.VanishY / -dy);
  if (dx > 0) consider(Surface::kRightWall, (g.RightX - o.VanishX) / dx);
  if (dx < 0) consider(Surface::kLeftWall, (g.LeftX - o.VanishX) / dx);
  if (dy > 0) consider(Surface::kCeiling, (g.CeilingY - o.VanishY) / dy);

  if (withObjects) {
    for (size_t i = 0; i < o.Objects.size(); ++i) {
      const Board b = BoardOf(o, o.Objects[i]);
      // An object's floor row meets the floor exactly where the board stands: the board wins.
      if (b.depth > hit.depth * (1 + 1e-12)) continue;
      if (hit.surface == Surface::kObject && b.depth >= hit.depth) continue;
      const double x = o.VanishX + b.depth * dx;
      const double y = o.VanishY + b.depth * dy;
      if (InsideShape(o.Objects[i].Shape, b, x - b.centerX, y)) {
        hit.surface = Surface::kObject;
        hit.object = static_cast<int>(i);
        hit.depth = b.depth;
      }
    }
  }
  hit.point = {o.VanishX + hit.depth * dx, o.VanishY + hit.depth * dy,
               o.FocalLength * (1 - hit.depth)};
  if (hit.surface == Surface::kFloor) hit.point.y = 0;
  return hit;
}

Rgb ShadeHit(const SyntheticRoomOptions& o, const RoomGeometry& g, const RayHit& hit) {
  const Vec3& p = hit.point;
  switch (hit.surface) {
    // Shifted by half a square so that no edge runs along the bottom row (the picture plane),
    // where every pixel centre would sit right on it.
    case Surface::kFloor: {  // a checker board of 60-pixel squares
      const bool dark = ((Cell(p.x - o.VanishX, 60) + Cell(p.z + 30, 60)) & 1) != 0;
      return dark ? Rgb{90, 70, 50} : Rgb{210, 195, 160};
    }
    case Surface::kLeftWall: {  // bricks of 120 x 40 with light mortar
      const int course = Cell(p.y, 40);
      const double along = -p.z + ((course & 1) ? 60 : 0);
      if (FloorMod(p.y, 40) < 5 || FloorMod(along, 120) < 5) return {215, 215, 205};
      return (Cell(along, 120) & 1) ? Rgb{170, 60, 40} : Rgb{135, 45, 30};
    }
    case Surface::kRightWall: {  // vertical stripes of 100 pixels with a dark band
      if (p.y > 110 && p.y < 135) return {30, 40, 90};
      return (Cell(-p.z, 100) & 1) ? Rgb{60, 90, 170} : Rgb{220, 225, 235};
    }
    case Surface::kCeiling: {  // a grid of 90-pixel squares
      if (FloorMod(p.x - o.VanishX, 90) < 8 || FloorMod(p.z, 90) < 8) {
        return {120, 115, 95};
      }
      return {240, 235, 200};
    }
    case Surface::kRearWall: {  // rings around its centre, lighter in the upper left quarter
      const double cx = (g.LeftX + g.RightX) / 2;
      const double cy = g.CeilingY / 2;
      const double r = std::hypot(p.x - cx, p.y - cy);
      Rgb c = (Cell(r, 60) & 1) ? Rgb{30, 90, 50} : Rgb{80, 170, 95};
      if (p.x < cx && p.y > cy) c = Mix(c, 60);
      return c;
    }
    case Surface::kObject: {
      const RoomObject& obj = o.Objects[static_cast<size_t>(hit.object)];
      const Board b = BoardOf(o, obj);
      return ShadeObject(obj.Shape, b, p.x - b.centerX, std::max(p.y, 0.0));
    }
    case Surface::kNone:
      break;
  }
  return {};
}

double SceneScaleOf(const std::vector<TMeshRegion>& regions) {
  if (regions.empty()) return 0;
  double sum = 0;
  for (const TMeshRegion& r : regions) {
    sum += std::max({r.VanishX, r.VanishY, std::abs(r.Left - r.Right) - r.VanishX,
                     std::abs(r.Top - r.Bottom) - r.VanishY});
  }
  return sum / static_cast<double>(regions.size());
}

SyntheticRoom MakeSyntheticRoom(const SyntheticRoomOptions& options) {
  SyntheticRoom room;
  room.Options = options;
  const SyntheticRoomOptions& o = room.Options;
  room.Geometry = ComputeRoomGeometry(o);
  const RoomGeometry& g = room.Geometry;

  for (size_t i = 0; i < o.Objects.size(); ++i) {
    const RoomObject& obj = o.Objects[i];
    const std::string name = "object " + std::to_string(i + 1);
    if (!(obj.Width > 0 && obj.Height > 0)) Fail(name + " needs a positive size");
    if (obj.FloorRow < 1 || obj.FloorRow >= o.InnerBottom) {
      Fail(name + " must stand on the floor between the bottom row and the rear wall");
    }
    if (obj.FloorRow + obj.Height >= o.VanishY) Fail(name + " reaches above the horizon");
    const Board b = BoardOf(o, obj);
    if (b.centerX - b.width / 2 <= g.LeftX || b.centerX + b.width / 2 >= g.RightX) {
      Fail(name + " does not fit between the walls");
    }
  }

  const int w = o.Width, h = o.Height;
  room.Original.SetSize(w, h);
  room.Mask.SetSize(w, h);
  room.Background.SetSize(w, h);
  std::vector<int> ids(static_cast<size_t>(w) * h, -1);
  for (int row = 0; row < h; ++row) {
    const double y = h - 1 - row;
    for (int x = 0; x < w; ++x) {
      const RayHit hit = CastRay(o, g, x, y, true);
      PutPixel(room.Original, x, row, ShadeHit(o, g, hit));
      if (hit.surface == Surface::kObject) {
        ids[static_cast<size_t>(row) * w + x] = hit.object;
        PutPixel(room.Mask, x, row, {255, 255, 255});
        PutPixel(room.Background, x, row, ShadeHit(o, g, CastRay(o, g, x, y, false)));
      } else {
        PutPixel(room.Background, x, row, ShadeHit(o, g, hit));
      }
    }
  }
  const std::vector<ObjectPixels> pixels = CheckObjectRegions(o, ids);

  // The extraction lists regions in the order its row scan from the top meets them.
  room.ObjectSource.resize(o.Objects.size());
  for (size_t i = 0; i < o.Objects.size(); ++i) room.ObjectSource[i] = static_cast<int>(i);
  std::sort(room.ObjectSource.begin(), room.ObjectSource.end(), [&](int a, int b) {
    const ObjectPixels& pa = pixels[static_cast<size_t>(a)];
    const ObjectPixels& pb = pixels[static_cast<size_t>(b)];
    return std::pair(pa.minRow, pa.firstColumnOfTopRow) <
           std::pair(pb.minRow, pb.firstColumnOfTopRow);
  });

  TMeshRegion region;
  region.Name = "Region 1";
  region.Left = 0;
  region.Top = 0;
  region.Right = w - 1;
  region.Bottom = h - 1;
  CopyMesh(o, region);
  region.PerspectiveDone = true;
  for (size_t k = 0; k < room.ObjectSource.size(); ++k) {
    const ObjectPixels& p = pixels[static_cast<size_t>(room.ObjectSource[k])];
    region.Objects.push_back({p.minX, h - 1 - p.maxRow, p.maxX, h - 1 - p.minRow, kFloor,
                              "Object " + std::to_string(k + 1)});
  }
  region.ObjCount = static_cast<int>(region.Objects.size());

  room.MeshRegions = {WindowEntry(w, h, o.ViewLeft, o.ViewTop, o.ViewRight, o.ViewBottom), region};
  room.FocalLength = o.FocalLength;
  room.SceneScale = SceneScaleOf(room.MeshRegions);
  room.EyeHeight = o.VanishY / room.SceneScale;
  room.EyeDistance = o.FocalLength / room.SceneScale;
  return room;
}

CameraPath RoomFlyIn(const SyntheticRoom& room) {
  const SyntheticRoomOptions& o = room.Options;
  const RoomGeometry& g = room.Geometry;
  const double u = room.SceneScale;
  const double rearZ = g.RearZ / u;
  const double halfWidth = std::min(o.VanishX - g.LeftX, g.RightX - o.VanishX) / u;
  struct Step {
    double depth, sway;
    Vec3 dir;
  };
  const std::array<Step, 4> steps{{{0.0, 0.0, {0, 0, -1}},
                                   {0.2, 0.15, {-0.1, -0.05, -1}},
                                   {0.35, -0.15, {0.12, -0.08, -1}},
                                   {0.5, 0.0, {0, -0.12, -1}}}};
  CameraPath path;
  for (const Step& s : steps) {
    CameraKey key;
    key.CamPos = {s.sway * halfWidth, room.EyeHeight,
                  room.EyeDistance + s.depth * (rearZ - room.EyeDistance)};
    key.CamDir = s.dir;
    path.Keys.push_back(key);
  }
  return path;
}

std::string FormatProjectFile(const ProjectFileContents& c) {
  if (c.MeshRegions.size() < 2) throw Error("A project needs the viewing window and a sub-scene.");
  std::string s;
  s += Crlf("KOV with Perpective Grid");
  s += Crlf("1.3");
  s += Crlf(FileNamePart(c.Original));
  s += Crlf(FileNamePart(c.Background));
  s += Crlf(FileNamePart(c.Mask));
  s += Crlf(std::to_string(c.MeshRegions.size() - 1));
  for (size_t i = 1; i < c.MeshRegions.size(); ++i) {
    const TMeshRegion& r = c.MeshRegions[i];
    s += Crlf(std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Right) +
              " " + std::to_string(r.Bottom) + " " + r.Name);
    s += Crlf(std::to_string(r.Objects.size()));
    for (const TRegionObject& obj : r.Objects) {
      s += Crlf(std::to_string(obj.X1) + " " + std::to_string(obj.Y1) + " " +
                std::to_string(obj.X2) + " " + std::to_string(obj.Y2) + " " +
                std::to_string(obj.Parent) + " " + obj.Name);
    }
    s += Crlf(FormatFixed2(r.VanishX) + " " + FormatFixed2(r.VanishY) + " " +
              FormatFixed2(r.InnerLeft) + " " + FormatFixed2(r.InnerBottom) + " " +
              FormatFixed2(r.InnerRight) + " " + FormatFixed2(r.InnerTop));
    s += Crlf(FileNamePart(r.CameraPath));
    s += Crlf(r.PerspectiveDone ? "1" : "0");
    s += Crlf(FormatFixed2(c.FocalLength));
  }
  const TMeshRegion& window = c.MeshRegions[0];
  s += Crlf(std::to_string(window.Left) + " " + std::to_string(window.Top) + " " +
            std::to_string(window.Right) + " " + std::to_string(window.Bottom));
  s += Crlf(std::to_string(c.Page));
  return s;
}

std::string FormatCameraPath(const CameraPath& path) {
  std::string s;
  s += Crlf("KOV Camera Path File 1.1");
  s += Crlf(std::to_string(path.FPS));
  s += Crlf(std::to_string(path.FPK));
  s += Crlf(std::to_string(path.Trans));
  s += Crlf(std::to_string(path.Keys.size()));
  for (const CameraKey& k : path.Keys) {
    std::string line = k.Recorded ? "1" : "0";
    for (const Vec3* v : {&k.CamPos, &k.CamDir, &k.CamUp}) {
      line += " " + NoNegativeZero(v->x) + " " + NoNegativeZero(v->y) + " " + NoNegativeZero(v->z);
    }
    s += Crlf(line);
  }
  return s;
}

void SavePNG(const std::filesystem::path& fileName, const TFastBMP& picture) {
  if (picture.Empty()) throw Error("Cannot write " + fileName.string() + ": the picture is empty.");
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.Width());
  image.height = static_cast<png_uint_32>(picture.Height());
  image.format = PNG_FORMAT_BGR;
  const auto stride = static_cast<png_int_32>(picture.RowStride());
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.Bits(), stride, nullptr)) {
    throw Error("Cannot write " + fileName.string() + ": " + image.message);
  }
  std::string bytes(size, '\0');
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.Bits(), stride, nullptr)) {
    throw Error("Cannot write " + fileName.string() + ": " + image.message);
  }
  bytes.resize(size);
  WriteFileAtomically(fileName, bytes);
}

std::filesystem::path WriteRoomProject(const SyntheticRoom& room,
                                       const std::filesystem::path& folder,
                                       const std::string& baseName) {
  ProjectFileContents c;
  c.Original = baseName + ".png";
  c.Mask = baseName + "_mask.png";
  c.Background = baseName + "_back.png";
  c.MeshRegions = room.MeshRegions;
  c.MeshRegions[1].CameraPath = baseName + ".cam";
  c.FocalLength = room.FocalLength;
  SavePNG(folder / c.Original, room.Original);
  SavePNG(folder / c.Mask, room.Mask);
  SavePNG(folder / c.Background, room.Background);
  WriteFileAtomically(folder / (baseName + ".cam"), FormatCameraPath(RoomFlyIn(room)));
  const std::filesystem::path project = folder / (baseName + ".kov");
  WriteFileAtomically(project, FormatProjectFile(c));
  return project;
}

std::filesystem::path WritePhotoProject(const PhotoProjectOptions& options,
                                        const std::filesystem::path& folder,
                                        const std::string& baseName) {
  TFastBMP photo;
  LoadPictureFile(options.Photo.string(), photo);
  SyntheticRoomOptions box;
  box.Width = photo.Width();
  box.Height = photo.Height();
  CopyMesh(options, box);
  box.FocalLength = options.FocalLength > 0
                        ? options.FocalLength
                        : static_cast<double>(RoundHalfEven64(std::sqrt(3.0) * box.Width) / 2);
  const RoomGeometry g = ComputeRoomGeometry(box);
  if (options.Keys < 2) throw Error("A camera path needs at least two keys.");

  TMeshRegion region;
  region.Name = "Region 1";
  region.Right = box.Width - 1;
  region.Bottom = box.Height - 1;
  CopyMesh(box, region);
  region.PerspectiveDone = true;
  region.CameraPath = baseName + ".cam";

  ProjectFileContents c;
  c.Original = FileNamePart(options.Photo.string());
  c.Background = c.Original;
  c.Mask = baseName + "_mask.png";
  c.MeshRegions = {WindowEntry(box.Width, box.Height, -1, -1, -1, -1), region};
  c.FocalLength = box.FocalLength;

  const double u = SceneScaleOf(c.MeshRegions);
  const double eyeHeight = box.VanishY / u;
  const double eyeDistance = box.FocalLength / u;
  CameraPath path;
  for (int k = 0; k < options.Keys; ++k) {
    const double f = options.FlightDepth * k / (options.Keys - 1);
    CameraKey key;
    key.CamPos = {0, eyeHeight, eyeDistance + f * (g.RearZ / u - eyeDistance)};
    path.Keys.push_back(key);
  }

  const std::filesystem::path copy = folder / c.Original;
  std::error_code ec;
  if (!std::filesystem::equivalent(options.Photo, copy, ec)) {
    WriteFileAtomically(copy, ReadWholeFile(options.Photo));
  }
  TFastBMP mask(box.Width, box.Height);
  SavePNG(folder / c.Mask, mask);
  WriteFileAtomically(folder / region.CameraPath, FormatCameraPath(path));
  const std::filesystem::path project = folder / (baseName + ".kov");
  WriteFileAtomically(project, FormatProjectFile(c));
  return project;
}

void ApplyToProject(const SyntheticRoom& room, TProject& p) {
  p.IOriginal = room.Original;
  p.IMask = room.Mask;
  p.IBackground = room.Background;
  p.IOriginal_r = room.Original;
  p.IMask_r = room.Mask;
  p.IBackground_r = room.Background;
  p.PicWidth = room.Original.Width();
  p.PicHeight = room.Original.Height();
  p.OriginalLoaded = true;
  ResetMeshDefaults(p);
  p.MeshRegions = room.MeshRegions;
  p.CurrentRegion = 1;
  LoadRegion(p, 1);
  ResetObjectTextures(p);
  p.FocalLength = room.FocalLength;
  const TMeshRegion& window = room.MeshRegions[0];
  SetViewWindowSize(p, window.Right - window.Left + 1, window.Bottom - window.Top + 1);
  p.ObjectsExtracted = false;
  p.LabelImage = TFastBMP();
  p.Modified = false;
}

}  // namespace glkov::synthetic
