#include "core/image/picture_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/error.h"
#include "core/image/picture_reader.h"
#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::MaxChannelDiff;

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}

// A 24-bit BMP file header with a 40-byte information header and no pixels.
std::string BmpHeaderOnly(int32_t w, int32_t h, int bits = 24, uint32_t compression = 0,
                          int planes = 1) {
  std::string s = "BM" + Le32(54) + Le32(0) + Le32(54) + Le32(40) + Le32(static_cast<uint32_t>(w)) +
                  Le32(static_cast<uint32_t>(h));
  s += static_cast<char>(planes);
  s += '\0';
  s += static_cast<char>(bits);
  s += '\0';
  s += Le32(compression) + std::string(20, '\0');
  return s;
}

struct BadFile {
  const char* name;      // file name in the test folder
  std::string contents;  // written unless writeNothing
  std::string message;   // expected error text after "Cannot ... picture "<path>": "
  bool writeNothing = false;
  bool folder = false;
};

std::vector<BadFile> BadFiles() {
  const std::string bmp = testing::MakeBmp({}, 4, 4).bytes;
  return {
      {"missing.bmp", "", "No such file or directory.", true},
      {"folder.jpg", "", "it is not a file.", true, true},
      {"picture.tif", bmp,
       "unknown kind of picture \".tif\" (BMP, JPEG, GIF and PNG files are read)."},
      {"picture", bmp, "the file name has no extension that tells the kind of picture."},
      {"empty.png", "", "the file is empty."},
      {"text.bmp", "hello", "it is not a BMP file."},
      {"bmp-named.jpg", bmp, "Not a JPEG file: starts with 0x42 0x4d."},
      {"wide.bmp", BmpHeaderOnly(16385, 1),
       "the picture is 16385 x 1 pixels, more than the program accepts (16384 pixels a side, 200 "
       "megapixels)."},
      {"tall.bmp", BmpHeaderOnly(1, -16385),
       "the picture is 1 x 16385 pixels, more than the program accepts (16384 pixels a side, 200 "
       "megapixels)."},
      {"many.bmp", BmpHeaderOnly(16384, 12208),
       "the picture is 16384 x 12208 pixels, more than the program accepts (16384 pixels a side, "
       "200 megapixels)."},
      {"largest.bmp", BmpHeaderOnly(16384, 12207), "the file is truncated."},
      {"zero.bmp", BmpHeaderOnly(0, 5), "the picture has no pixels (0 x 5)."},
      {"minint.bmp", BmpHeaderOnly(5, INT32_MIN),
       "the picture is 5 x 2147483648 pixels, more than the program accepts (16384 pixels a "
       "side, 200 megapixels)."},
      {"depth.bmp", BmpHeaderOnly(2, 2, 7), "unsupported BMP colour depth of 7 bits."},
      {"jpeg-in.bmp", BmpHeaderOnly(2, 2, 24, 4), "unsupported BMP compression 4."},
      {"planes.bmp", BmpHeaderOnly(2, 2, 24, 0, 3), "corrupt BMP header (planes)."},
      {"rle24.bmp", BmpHeaderOnly(2, 2, 24, 1), "corrupt BMP header (RLE8 needs 8 bits)."},
  };
}

// Each bad file gets its own message naming the file, and the target keeps its picture.
TEST(LoadPictureFile, BadFilesAreRefusedAndTheTargetKeepsItsPicture) {
  testing::TempDir dir;
  const auto good = testing::MakeBmp({}, 7, 3);
  testing::WriteFile(dir / "good.bmp", good.bytes);
  TFastBMP target;
  LoadPictureFile((dir / "good.bmp").string(), target);
  for (const BadFile& bad : BadFiles()) {
    const std::string path = (dir / bad.name).string();
    if (bad.folder) std::filesystem::create_directory(path);
    if (!bad.writeNothing) testing::WriteFile(path, bad.contents);
    const std::string verb = bad.writeNothing && !bad.folder ? "open" : "read";
    EXPECT_EQ(testing::ErrorOf([&] { LoadPictureFile(path, target); }),
              "Cannot " + verb + " picture \"" + path + "\": " + bad.message);
    EXPECT_EQ(MaxChannelDiff(target, good.expected), 0) << bad.name;
  }
}

// Every kind's extensions, in any case.
TEST(LoadPictureFile, AcceptsThePictureKindsExtensions) {
  testing::TempDir dir;
  const std::string jpeg = testing::EncodeJpeg(testing::SmoothPicture(8, 8));
  const std::string bmp = testing::MakeBmp({}, 8, 8).bytes;
  const std::string png = testing::EncodePng(std::vector<uint8_t>(64, 9), 8, 8, PNG_FORMAT_GRAY);
  testing::GifFrame frame{0, 0, 8, 8, false, std::vector<uint8_t>(64, 1), {}, -1};
  const std::string gif = testing::EncodeGif({8, 8, {{1, 2, 3}, {4, 5, 6}}, 0, {frame}});
  const std::pair<const char*, const std::string*> files[] = {
      {"a.jpg", &jpeg}, {"b.JPEG", &jpeg}, {"c.Jpe", &jpeg}, {"d.jfif", &jpeg}, {"e.BMP", &bmp},
      {"f.Bmp", &bmp},  {"g.dib", &bmp},   {"h.Png", &png},  {"i.GIF", &gif},
  };
  for (const auto& [name, bytes] : files) {
    testing::WriteFile(dir / name, *bytes);
    TFastBMP out;
    LoadPictureFile((dir / name).string(), out);
    EXPECT_EQ(out.Width(), 8) << name;
  }
}

// ------------------------------------------------------------------------------------------
// SaveBMP

TEST(SaveBMP, RoundTripsOddWidthsAsBottomUp24BitFiles) {
  testing::TempDir dir;
  const auto path = dir / "out.bmp";
  // Bytes of a stored row: 3 a pixel, padded to a multiple of 4.
  const size_t kRowBytes[] = {0, 4, 8, 12, 12, 16, 20, 24, 24, 28};
  for (int w = 1; w <= 9; ++w) {
    for (int h : {1, 2, 5}) {
      const TFastBMP picture = testing::SmoothPicture(w, h);
      SaveBMP(path.string(), picture);
      const std::string bytes = testing::ReadFile(path);
      ASSERT_EQ(bytes.size(), 54 + kRowBytes[w] * static_cast<size_t>(h)) << w << " x " << h;
      EXPECT_EQ(bytes.substr(0, 2), "BM");
      EXPECT_EQ(bytes.substr(2, 4), Le32(static_cast<uint32_t>(bytes.size())));
      EXPECT_EQ(bytes.substr(10, 4), Le32(54));
      EXPECT_EQ(bytes.substr(18, 4), Le32(static_cast<uint32_t>(w)));
      EXPECT_EQ(bytes.substr(22, 4), Le32(static_cast<uint32_t>(h)));  // positive: bottom-up
      EXPECT_EQ(bytes[28], 24);
      // The first stored row is the bottom row of the picture.
      EXPECT_EQ(bytes.substr(54, 3 * static_cast<size_t>(w)),
                std::string(reinterpret_cast<const char*>(picture.Row(h - 1)), 3 * w));
      TFastBMP back;
      LoadPictureFile(path.string(), back);
      EXPECT_EQ(MaxChannelDiff(back, picture), 0) << w << " x " << h;
    }
  }
}

TEST(SaveBMP, RefusesAnEmptyPicture) {
  testing::TempDir dir;
  EXPECT_THAT(testing::ErrorOf([&] { SaveBMP((dir / "empty.bmp").string(), TFastBMP()); }),
              ::testing::HasSubstr("empty.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.bmp"));
}

}  // namespace
}  // namespace glkov
