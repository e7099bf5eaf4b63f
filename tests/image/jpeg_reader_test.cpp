#include <gtest/gtest.h>

#include <stdexcept>

#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"
#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::DecodeJpegDirectly;
using testing::EncodeJpeg;
using testing::JpegSpec;
using testing::MaxChannelDiff;
using testing::SmoothPicture;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TFastBMP Decode(const std::string& jpeg, UiCallbacks& callbacks = DefaultCallbacks()) {
  return ReadJpegPicture("test.jpg", Bytes(jpeg), callbacks);
}

std::string ErrorOf(const std::string& jpeg) {
  return testing::ErrorOf([&] { Decode(jpeg); });
}

struct JpegCase {
  const char* name;
  JpegSpec spec;
  int width, height;
  int tolerance;  // against the picture that was encoded; 4:2:0 blurs the disc's colour edge
};

const JpegCase kJpegCases[] = {
    {"Baseline444", {100, false, false, false, true, nullptr, 0}, 37, 23, 6},
    {"Baseline420", {95, false, false, false, false, nullptr, 0}, 41, 29, 64},
    {"Progressive444", {100, true, false, false, true, nullptr, 0}, 37, 23, 6},
    {"Progressive420", {95, true, false, false, false, nullptr, 0}, 64, 48, 64},
    {"OnePixel", {100, false, false, false, true, nullptr, 0}, 1, 1, 6},
    // Grey from the picture's green bytes: libjpeg's own grey to colour is the whole check.
    {"Grey", {100, false, true, false, true, nullptr, 0}, 20, 12, 255},
};

class JpegVariant : public ::testing::TestWithParam<JpegCase> {};

// The loader gives exactly what libjpeg gives on its own, and that is close to what was encoded.
TEST_P(JpegVariant, DecodesLikeLibjpegToBgr) {
  const JpegCase& c = GetParam();
  const TFastBMP source = SmoothPicture(c.width, c.height);
  const std::string jpeg = EncodeJpeg(source, c.spec);
  const TFastBMP out = Decode(jpeg);
  ASSERT_EQ(out.Width(), c.width);
  ASSERT_EQ(out.Height(), c.height);
  EXPECT_EQ(MaxChannelDiff(out, DecodeJpegDirectly(jpeg)), 0);
  EXPECT_LE(MaxChannelDiff(out, source), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(PictureFile, JpegVariant, ::testing::ValuesIn(kJpegCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Adobe-style CMYK (stored inverted) of blocks of plain colours.
TEST(JpegReader, AdobeCmykBecomesRgb) {
  TFastBMP source(32, 16);
  const uint8_t colours[4][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {40, 90, 200}};
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint8_t* c = colours[(x / 8) % 4];
      testing::SetPixel(source, x, y, c[0], c[1], c[2]);
    }
  }
  const TFastBMP out = Decode(EncodeJpeg(source, {100, false, false, true, true, nullptr, 0}));
  EXPECT_LE(MaxChannelDiff(out, source), 8);
}

TEST(JpegReader, ReportsRisingProgressUpTo100) {
  for (bool progressive : {false, true}) {
    testing::ScriptedCallbacks rec;
    Decode(EncodeJpeg(SmoothPicture(64, 400), {90, progressive, false, false, false, nullptr, 0}),
           rec);
    ASSERT_GE(rec.Percents.size(), 5u) << progressive;
    EXPECT_EQ(rec.Percents.back(), 100);
    for (size_t i = 1; i + 1 < rec.Percents.size(); ++i) {
      EXPECT_GT(rec.Percents[i], rec.Percents[i - 1]) << progressive;
    }
    EXPECT_GE(rec.Pumps, 4);
    for (const auto& s : rec.Stages) EXPECT_FALSE(s.empty());
  }
}

// An exception from the caller's progress handler leaves the decoder cleanly and keeps its type.
TEST(JpegReader, ProgressHandlerExceptionPassesThrough) {
  struct Throwing : UiCallbacks {
    void Progress(const std::string&, int percent) override {
      if (percent >= 30) throw std::logic_error("stop");
    }
  } throwing;
  const std::string jpeg = EncodeJpeg(SmoothPicture(64, 400));
  EXPECT_THROW(Decode(jpeg, throwing), std::logic_error);
}

TEST(JpegReader, EveryTruncationIsRefusedOrComplete) {
  for (bool progressive : {false, true}) {
    const std::string jpeg =
        EncodeJpeg(SmoothPicture(24, 16), {80, progressive, false, false, false, nullptr, 0});
    testing::ExpectEveryCutRefusedOrComplete(
        "test.jpg", jpeg, Decode(jpeg), [](const std::string& n, const std::vector<uint8_t>& d) {
          return ReadJpegPicture(n, d, DefaultCallbacks());
        });
  }
}

// libjpeg only warns about stray bytes between markers; here they are an error.
TEST(JpegReader, CorruptDataWarningIsAnError) {
  std::string jpeg = EncodeJpeg(SmoothPicture(16, 16));
  const size_t sos = jpeg.find("\xff\xda");
  ASSERT_NE(sos, std::string::npos);
  jpeg.insert(sos, "junk");
  EXPECT_NE(ErrorOf(jpeg).find("Corrupt JPEG data: 4 extraneous bytes before marker 0xda"),
            std::string::npos)
      << ErrorOf(jpeg);
}

TEST(JpegReader, NotAJpegFile) {
  EXPECT_EQ(ErrorOf("BM not a jpeg at all"),
            "Cannot read picture \"test.jpg\": Not a JPEG file: starts with 0x42 0x4d.");
}

// Sets the size in the frame header (SOF0 or SOF2) of a JPEG file.
std::string WithSize(std::string jpeg, int width, int height) {
  size_t sof = jpeg.find("\xff\xc0");
  if (sof == std::string::npos) sof = jpeg.find("\xff\xc2");
  if (sof == std::string::npos) throw std::runtime_error("no frame header");
  jpeg[sof + 5] = static_cast<char>(height >> 8);
  jpeg[sof + 6] = static_cast<char>(height & 0xff);
  jpeg[sof + 7] = static_cast<char>(width >> 8);
  jpeg[sof + 8] = static_cast<char>(width & 0xff);
  return jpeg;
}

TEST(JpegReader, OversizedHeaderIsRefusedBeforeDecoding) {
  const std::string jpeg = EncodeJpeg(SmoothPicture(8, 8));
  const std::string tooWide = "more than the program accepts";
  // The limits themselves are the shared size check's (the BMP table).
  EXPECT_NE(ErrorOf(WithSize(jpeg, 16384, 12208)).find(tooWide), std::string::npos);  // 200.02 MP
  EXPECT_EQ(ErrorOf(WithSize(jpeg, 65535, 65535)),  // libjpeg's own limit comes first
            "Cannot read picture \"test.jpg\": Maximum supported image dimension is 65500 pixels.");
  // Within the limits the size is accepted, and the missing data is the error.
  EXPECT_EQ(ErrorOf(WithSize(jpeg, 100, 16384)).find(tooWide), std::string::npos);
}

// A legal progressive file can hold some 2,000 scans; past 500 it is refused as hostile.
TEST(JpegReader, TooManyScansAreRefused) {
  std::vector<jpeg_scan_info> scans;
  scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
  for (int c = 0; c < 3; ++c) {
    for (int k = 1; k < 64; ++k) {
      scans.push_back({1, {c, 0, 0, 0}, k, k, 0, 3});
      for (int al = 2; al >= 0; --al) scans.push_back({1, {c, 0, 0, 0}, k, k, al + 1, al});
    }
  }
  ASSERT_GT(scans.size(), 500u);
  const std::string jpeg =
      EncodeJpeg(SmoothPicture(8, 8),
                 {90, true, false, false, true, scans.data(), static_cast<int>(scans.size())});
  EXPECT_NE(ErrorOf(jpeg).find("too many scans"), std::string::npos) << ErrorOf(jpeg);
  // The same script cut to its first 500 scans is still a picture.
  const std::string fewer =
      EncodeJpeg(SmoothPicture(8, 8), {90, true, false, false, true, scans.data(), 400});
  EXPECT_EQ(Decode(fewer).Width(), 8);
}

}  // namespace
}  // namespace glkov
