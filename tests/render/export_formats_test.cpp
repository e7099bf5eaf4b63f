// The shareable movie formats, exported by glkov-cli from the small room and decoded back with
// libav: frame count, size, and pixels against the uncompressed AVI of the same flight.

#include <gtest/gtest.h>

#include <cmath>

#include "output/decode_movie.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

using testing::DecodeMovie;
using testing::ReadFile;
using testing::RunCli;
using testing::TempDir;
using testing::WriteFile;

// Peak signal-to-noise ratio of b against a over all colour samples, in dB (99 when equal).
double Psnr(const TFastBMP& a, const TFastBMP& b) {
  double sum = 0;
  int64_t n = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      for (int c = 0; c < 3; ++c) {
        const double d = double(a.Pixel(x, y)[c]) - double(b.Pixel(x, y)[c]);
        sum += d * d;
        ++n;
      }
    }
  }
  if (sum == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(n)));
}

struct FormatCase {
  std::string Output;   // the name given to -o, in the test's folder
  std::string Codec;    // --codec, or empty
  std::string Decoder;  // what libav decodes it with
  double MinPsnr;       // worst frame against the AVI's frame; 99: equal
};

std::ostream& operator<<(std::ostream& os, const FormatCase& c) { return os << c.Output; }

class ExportFormats : public ::testing::TestWithParam<FormatCase> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    room_ = new synthetic::SyntheticRoom(synthetic::MakeSyntheticRoom(testing::SmallRoomOptions()));
    // Two flights joined by a transition at the first path's rates: 9 + 3 + 5 frames.
    testing::WriteSubScenesProject(
        *room_, *dir_,
        {testing::StraightPath(*room_, 3, 4, 3), testing::StraightPath(*room_, 2, 8, 3)});
    std::string err;
    ASSERT_EQ(RunCli({"export", Project(), "-o", (*dir_ / "reference.avi").string(), "--width",
                      "128", "--height", "96"},
                     nullptr, &err),
              0)
        << err;
    reference_ = new testing::DecodedMovie(DecodeMovie(*dir_ / "reference.avi"));
  }
  static void TearDownTestSuite() {
    delete reference_;
    delete room_;
    delete dir_;
  }
  static std::string Project() { return (*dir_ / "test.kov").string(); }

  static TempDir* dir_;
  static synthetic::SyntheticRoom* room_;
  static testing::DecodedMovie* reference_;
};

TempDir* ExportFormats::dir_ = nullptr;
synthetic::SyntheticRoom* ExportFormats::room_ = nullptr;
testing::DecodedMovie* ExportFormats::reference_ = nullptr;

TEST_P(ExportFormats, DecodesBackToTheAvisFrames) {
  const FormatCase& c = GetParam();
  ASSERT_EQ(reference_->Frames.size(), 17u);
  const std::filesystem::path out = *dir_ / c.Output;
  std::vector<std::string> args = {"export",  Project(), "-o",       out.string(),
                                   "--width", "128",     "--height", "96"};
  if (!c.Codec.empty()) args.insert(args.end(), {"--codec", c.Codec});
  std::string err;
  ASSERT_EQ(RunCli(args, nullptr, &err), 0) << err;
  EXPECT_EQ(err, "");

  const auto movie = DecodeMovie(out);
  EXPECT_EQ(movie.Codec, c.Decoder);
  ASSERT_EQ(movie.Frames.size(), reference_->Frames.size());
  EXPECT_EQ(movie.Width, 128);
  EXPECT_EQ(movie.Height, 96);
  double worst = 99;
  for (size_t i = 0; i < movie.Frames.size(); ++i) {
    worst = std::min(worst, Psnr(reference_->Frames[i], movie.Frames[i]));
  }
  EXPECT_GE(worst, c.MinPsnr);
  if (out.extension() == ".mp4") {  // indexed at the front, to play while it loads
    const std::string data = ReadFile(out);
    EXPECT_LT(data.find("moov"), data.find("mdat"));
  }
}

// Measured in RGB after the decoder's plain (nearest) chroma upsampling, so the 4:2:0 formats lose
// most at the room's coloured edges: H.264 at CRF 18 gives 30.1 dB on its worst frame, VP9 at 32
// gives 29.4. Neighbouring frames of the flight differ by 21-25 dB and a transition frame by 13,
// so a lost, doubled or shifted frame, a flipped picture or a wrong colour matrix fails. The room
// has fewer than 256 colours: its GIF comes back exact, 28 dB leaves room for dithering.
INSTANTIATE_TEST_SUITE_P(AllFormats, ExportFormats,
                         ::testing::Values(FormatCase{"movie.mp4", "", "h264", 28},
                                           FormatCase{"movie.mkv", "", "h264", 28},
                                           FormatCase{"lossless.mkv", "ffv1", "ffv1", 99},
                                           FormatCase{"movie.webm", "", "vp9", 27},
                                           FormatCase{"movie.gif", "", "gif", 28},
                                           FormatCase{"frames/shot_%04d.png", "", "png", 99}));

TEST_F(ExportFormats, OddSizesAreRoundedDownWhereTheCodecNeedsEvenOnes) {
  std::string err;
  const auto mp4 = *dir_ / "odd.mp4";
  ASSERT_EQ(RunCli({"export", Project(), "-o", mp4.string(), "--width", "63", "--height", "47"},
                   nullptr, &err),
            0)
      << err;
  EXPECT_NE(err.find("glkov-cli: warning: The movie size 63 x 47 is rounded down to 62 x 46"),
            std::string::npos)
      << err;
  const auto decoded = DecodeMovie(mp4, false);
  EXPECT_EQ(decoded.Width, 62);
  EXPECT_EQ(decoded.Height, 46);
  // GIF has no such limit.
  const auto gif = *dir_ / "odd.gif";
  ASSERT_EQ(RunCli({"export", Project(), "-o", gif.string(), "--width", "63", "--height", "47"},
                   nullptr, &err),
            0);
  EXPECT_EQ(err, "");
  EXPECT_EQ(DecodeMovie(gif, false).Width, 63);
}

TEST_F(ExportFormats, PngFramesStartAtZeroAndReplaceAnOlderSequence) {
  const auto folder = *dir_ / "seq";
  std::filesystem::create_directory(folder);
  WriteFile(folder / "f_17.png", "stale frame of a longer sequence");
  WriteFile(folder / "keep.txt", "not a frame");
  ASSERT_EQ(RunCli({"export", Project(), "-o", (folder / "f_%d.png").string()}), 0);
  EXPECT_TRUE(std::filesystem::exists(folder / "f_0.png"));
  EXPECT_TRUE(std::filesystem::exists(folder / "f_16.png"));
  EXPECT_FALSE(std::filesystem::exists(folder / "f_17.png"));
  EXPECT_EQ(ReadFile(folder / "keep.txt"), "not a frame");
  EXPECT_EQ(testing::FolderEntries(folder).size(), 18u);  // no temporary folder left
}

TEST_F(ExportFormats, CodecsAFormatCannotHoldAreRefused) {
  testing::ExpectCliTable(
      {{{"export", Project(), "-o", "@/refused.webm", "--codec", "ffv1"}, 1, "libvpx-vp9"},
       {{"export", Project(), "-o", "@/refused.webm", "--crf", "64"}, 2}},
      dir_->path());
  EXPECT_FALSE(std::filesystem::exists(*dir_ / "refused.webm"));
}

// Side-by-side stereo: the movie is twice as wide; with no eye separation both halves are the
// same picture, with one they differ, and the transition shows one picture to both eyes.
TEST_F(ExportFormats, SideBySideStereoPutsTheEyesNextToEachOther) {
  for (const char* separation : {"0", "20"}) {
    const auto out = *dir_ / ("sbs" + std::string(separation) + ".avi");
    std::string err;
    ASSERT_EQ(RunCli({"export", Project(), "-o", out.string(), "--width", "40", "--height", "30",
                      "--stereo", "sbs", "--eye-sep", separation},
                     nullptr, &err),
              0)
        << err;
    const auto movie = DecodeMovie(out);
    ASSERT_EQ(movie.Frames.size(), 17u);
    EXPECT_EQ(movie.Width, 80);
    EXPECT_EQ(movie.Height, 30);
    const auto half = [](const TFastBMP& f, int from) {
      TFastBMP h(40, 30);
      for (int y = 0; y < 30; ++y)
        std::copy(f.Row(y) + 3 * from, f.Row(y) + 3 * (from + 40), h.Row(y));
      return h.PackedPixels();
    };
    const bool apart = std::string(separation) != "0";
    EXPECT_EQ(half(movie.Frames[0], 0) != half(movie.Frames[0], 40), apart) << separation;
    EXPECT_EQ(half(movie.Frames[10], 0), half(movie.Frames[10], 40));  // the transition
  }
}

}  // namespace
}  // namespace glkov
