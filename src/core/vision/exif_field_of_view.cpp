// The field of view of the camera that took a photograph, from its EXIF data (exiv2).

#include <cmath>
#include <exiv2/exiv2.hpp>
#include <numbers>

#include "core/vision/suggest_mesh.h"

namespace glkov::vision {

namespace {

std::optional<double> Number(const Exiv2::ExifData& exif, const char* key) {
  const auto it = exif.findKey(Exiv2::ExifKey(key));
  if (it == exif.end() || it->count() == 0) return std::nullopt;
  const double v = it->toFloat(0);
  if (!std::isfinite(v) || v <= 0) return std::nullopt;
  return v;
}

double Degrees(double halfTangent) { return 2 * std::atan(halfTangent) * 180 / std::numbers::pi; }

}  // namespace

std::optional<double> ExifFieldOfView(const std::string& fileName) {
  try {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    const auto image = Exiv2::ImageFactory::open(fileName);
    if (!image.get()) return std::nullopt;
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    if (exif.empty()) return std::nullopt;
    double w = image->pixelWidth(), h = image->pixelHeight();
    if (const std::optional<double> px = Number(exif, "Exif.Photo.PixelXDimension")) w = *px;
    if (const std::optional<double> py = Number(exif, "Exif.Photo.PixelYDimension")) h = *py;
    if (!(w > 0 && h > 0)) return std::nullopt;
    // Orientations 5 to 8 turn the picture a quarter: its shown width is the sensor's height.
    const std::optional<double> orientation = Number(exif, "Exif.Image.Orientation");
    const bool turned = orientation && *orientation >= 5 && *orientation <= 8;

    // The 35 mm equivalent matches the diagonal of a 36 x 24 mm frame.
    if (const std::optional<double> f35 = Number(exif, "Exif.Photo.FocalLengthIn35mmFilm")) {
      const double diagonal = std::hypot(36.0, 24.0);
      const double shown = turned ? h : w;
      return Degrees(diagonal / 2 / *f35 * shown / std::hypot(w, h));
    }
    const std::optional<double> f = Number(exif, "Exif.Photo.FocalLength");
    const char* resolutionKey =
        turned ? "Exif.Photo.FocalPlaneYResolution" : "Exif.Photo.FocalPlaneXResolution";
    const std::optional<double> resolution = Number(exif, resolutionKey);
    if (!f || !resolution) return std::nullopt;
    const std::optional<double> unit = Number(exif, "Exif.Photo.FocalPlaneResolutionUnit");
    const double mmPerUnit = unit && *unit == 3 ? 10.0 : unit && *unit == 4 ? 1.0 : 25.4;
    const double sensor = (turned ? h : w) / *resolution * mmPerUnit;  // mm across the shown width
    const double fov = Degrees(sensor / 2 / *f);
    if (!(fov > 0 && fov < 180)) return std::nullopt;
    return fov;
  } catch (...) {
    return std::nullopt;  // unreadable or without metadata: the caller takes its default
  }
}

}  // namespace glkov::vision
