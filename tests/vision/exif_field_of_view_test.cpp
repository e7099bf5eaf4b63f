#include <gtest/gtest.h>

#include <cmath>
#include <exiv2/exiv2.hpp>
#include <string>

#include "core/vision/suggest_mesh.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {
namespace {

// A 300 x 200 PNG with the given EXIF entries (exiv2 keeps them in a text chunk).
std::string PictureWithExif(const TempDir& dir, const std::string& name,
                            const std::vector<std::pair<std::string, std::string>>& entries) {
  const std::string file = (dir / name).string();
  synthetic::SavePNG(file, FilledPicture(300, 200, 10, 20, 30));
  auto image = Exiv2::ImageFactory::open(file);
  image->readMetadata();
  Exiv2::ExifData exif;
  for (const auto& [key, value] : entries) exif[key] = value;
  image->setExifData(exif);
  image->writeMetadata();
  return file;
}

TEST(ExifFieldOfView, FromTheFocalLengthsOrNothing) {
  TempDir dir;
  // 35 mm equivalent 24 mm: the 36 x 24 frame's diagonal over the picture's 3:2 diagonal.
  const double wide = 2 * std::atan(std::hypot(36.0, 24.0) / 2 / 24 * 300 / std::hypot(300, 200)) *
                      180 / std::acos(-1.0);
  EXPECT_NEAR(*vision::ExifFieldOfView(
                  PictureWithExif(dir, "a.png", {{"Exif.Photo.FocalLengthIn35mmFilm", "24"}})),
              wide, 1e-6);
  EXPECT_NEAR(wide, 73.74, 0.01);  // the usual figure for a 24 mm lens
  // Focal length 10 mm and 300 pixels at 100 pixels per cm: a 30 mm wide sensor.
  EXPECT_NEAR(
      *vision::ExifFieldOfView(PictureWithExif(dir, "b.png",
                                               {{"Exif.Photo.FocalLength", "10/1"},
                                                {"Exif.Photo.FocalPlaneXResolution", "100/1"},
                                                {"Exif.Photo.FocalPlaneResolutionUnit", "3"}})),
      2 * std::atan(1.5) * 180 / std::acos(-1.0), 1e-6);
  // A focal length without the sensor's size, no EXIF at all, or no picture: nothing.
  EXPECT_FALSE(
      vision::ExifFieldOfView(PictureWithExif(dir, "c.png", {{"Exif.Photo.FocalLength", "10/1"}})));
  synthetic::SavePNG((dir / "d.png").string(), FilledPicture(30, 20, 1, 2, 3));
  EXPECT_FALSE(vision::ExifFieldOfView((dir / "d.png").string()));
  EXPECT_FALSE(vision::ExifFieldOfView((dir / "missing.jpg").string()));
}

}  // namespace
}  // namespace glkov::testing
