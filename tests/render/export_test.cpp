#include "core/output/export.h"

#include <gtest/gtest.h>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/scene_builder.h"
#include "output/decode_movie.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

using synthetic::CameraPath;
using testing::DecodeMovie;
using testing::TempDir;

// The small room, exported from a project of sub-scenes with straight camera paths.
class ExportFixture : public ::testing::Test {
 protected:
  void MakeProject(const std::vector<CameraPath>& paths) {
    testing::WriteSubScenesProject(room_, dir_, paths);
  }
  CameraPath Path(int keys, int fpk, int trans = 40, bool firstRecorded = true) const {
    return testing::StraightPath(room_, keys, fpk, trans, firstRecorded);
  }

  // Opens the project as the program does and exports it with the given request changes.
  ExportResult Export(TOutputOptions options, ExportCallbacks& callbacks,
                      const std::string& master = "1.0", int singleScene = 0) {
    project_ = TProject{};
    timeline_ = std::make_unique<TTimeline>(project_);
    LoadProject(project_, *timeline_, (dir_ / "test.kov").string());
    timeline_->MFRFEdit = master;
    ExportRequest request;
    request.FileName = Movie().string();
    options.Width = 64;
    options.Height = 48;
    request.Options = options;
    request.SingleScene = singleScene;
    request.Switches.Negative = negative_;
    return ExportAnimation(project_, *timeline_, request, callbacks);
  }

  std::filesystem::path Movie() const { return dir_ / movieName_; }

  TempDir dir_;
  synthetic::SyntheticRoom room_ = synthetic::MakeSyntheticRoom(testing::SmallRoomOptions());
  TProject project_;
  std::unique_ptr<TTimeline> timeline_;
  ExportCallbacks quiet_;
  bool negative_ = false;
  std::string movieName_ = "movie.avi";
};

// The frames and the rate of the movie a request makes.
TEST_F(ExportFixture, FramesAndRateOfTheMovie) {
  TOutputOptions preview, single;
  preview.Preview = true;
  single.GenMultiRegion = false;
  struct Case {
    const char* name;
    std::vector<CameraPath> paths;
    TOutputOptions options;
    const char* master;
    int singleScene;
    int frames;
    double rate;
  };
  const Case cases[] = {
      {"two keys", {Path(2, 60)}, {}, "1.0", 0, 61, 20},
      {"preview", {Path(2, 60)}, preview, "1.0", 0, 16, 5},
      {"master factor", {Path(2, 10)}, {}, "1.5", 0, 16, 30},
      {"factor not a number", {Path(2, 10)}, {}, "fast", 0, 11, 20},
      // Scene 1 (5 frames), transition (3), scene 2 (9), transition (3), scene 3 (5); the rates
      // are those of the path loaded when the export starts.
      {"transitions", {Path(2, 4, 3), Path(3, 4, 3), Path(2, 4, 3)}, {}, "1.0", 0, 25, 20},
      // Scene 1 (5) and its transition (3); scene 2 nothing at all; scene 3 only its transition
      // (3); scene 4 (5).
      {"left out", {Path(2, 4, 3), {}, Path(2, 4, 3, false), Path(2, 4, 3)}, {}, "1.0", 0, 16, 20},
      {"chosen sub-scene", {Path(2, 4, 3), Path(3, 4, 3)}, single, "1.0", 2, 9, 20},
  };
  for (const Case& c : cases) {
    MakeProject(c.paths);
    const ExportResult result = Export(c.options, quiet_, c.master, c.singleScene);
    EXPECT_FALSE(result.Aborted) << c.name;
    EXPECT_EQ(result.Frames, c.frames) << c.name;
    const auto movie = DecodeMovie(Movie());
    EXPECT_EQ(movie.Frames.size(), static_cast<size_t>(c.frames)) << c.name;
    EXPECT_EQ(av_q2d(movie.FrameRate), c.rate) << c.name;
    EXPECT_EQ(movie.Width, 64);
  }
}

TEST_F(ExportFixture, NegativeOutputTurnsTheTransitionsNegativeToo) {
  MakeProject({Path(2, 4, 3), Path(2, 4, 3)});
  Export({}, quiet_);
  const auto positive = DecodeMovie(Movie());
  negative_ = true;
  Export({}, quiet_);
  const auto negative = DecodeMovie(Movie());
  ASSERT_EQ(positive.Frames.size(), 13u);
  ASSERT_EQ(negative.Frames.size(), 13u);
  // Frames 5, 6 and 7 are the pan between the two sub-scenes, cut from the picture.
  for (size_t f : {5u, 6u, 7u}) {
    const auto a = positive.Frames[f].PackedPixels();
    const auto b = negative.Frames[f].PackedPixels();
    size_t mismatches = 0;
    for (size_t i = 0; i < a.size(); ++i) mismatches += a[i] + b[i] != 255;
    EXPECT_EQ(mismatches, 0u) << "frame " << f;
  }
  // The flights are negative as well: the first frame's mean brightness turns around.
  auto mean = [](const TFastBMP& f) {
    double sum = 0;
    for (uint8_t v : f.PackedPixels()) sum += v;
    return sum / (3.0 * f.Width() * f.Height());
  };
  EXPECT_NEAR(mean(positive.Frames[0]) + mean(negative.Frames[0]), 255, 20);
}

TEST_F(ExportFixture, NothingToExportIsRefusedAndWritesNothing) {
  MakeProject({Path(2, 4, 3, false), {}});
  EXPECT_THROW(Export({}, quiet_), Error);
  EXPECT_FALSE(std::filesystem::exists(Movie()));
}

TEST_F(ExportFixture, PathOfOneKeyIsSkippedWithAWarning) {
  MakeProject({Path(1, 4, 3), Path(2, 4, 3)});
  struct Recorder : ExportCallbacks {
    std::vector<std::string> warnings;
    void Warning(const std::string& m) override { warnings.push_back(m); }
  } callbacks;
  // Scene 1 skipped but its transition kept (3), scene 2 (5).
  EXPECT_EQ(Export({}, callbacks).Frames, 8);
  ASSERT_FALSE(callbacks.warnings.empty());
  EXPECT_NE(callbacks.warnings[0].find("Part 1"), std::string::npos) << callbacks.warnings[0];
}

// Asks to abort at a chosen frame and answers the question as told.
struct AbortingCallbacks : ExportCallbacks {
  int frames = 0;
  int abortAt = 0;
  bool answer = true;
  int asked = 0;
  void FrameDone(const TFastBMP&, RowOrder) override { ++frames; }
  bool AbortRequested() override { return frames == abortAt && pending; }
  void ClearAbortRequest() override { pending = false; }
  bool AskYesNo(const std::string& question) override {
    EXPECT_EQ(question, "Abort outputing?");
    ++asked;
    return answer;
  }
  bool pending = true;
};

// An abort request asks once; Yes stops the export, No goes on to the end.
TEST_F(ExportFixture, AbortAsksOnce) {
  MakeProject({Path(2, 20)});
  for (bool answer : {true, false}) {
    AbortingCallbacks callbacks;
    callbacks.abortAt = 5;
    callbacks.answer = answer;
    const ExportResult result = Export({}, callbacks);
    EXPECT_EQ(result.Aborted, answer);
    EXPECT_EQ(callbacks.asked, 1);
    if (!answer) {
      EXPECT_EQ(result.Frames, 21);
    }
  }
}

// A GIF is dithered after its last frame is rendered: a request then still stops it.
TEST_F(ExportFixture, AbortWhileTheGifIsDithered) {
  MakeProject({Path(2, 20)});
  movieName_ = "m.gif";
  AbortingCallbacks callbacks;
  callbacks.abortAt = 21;
  EXPECT_TRUE(Export({}, callbacks).Aborted);
  EXPECT_EQ(callbacks.asked, 1);
  EXPECT_FALSE(std::filesystem::exists(Movie()));
}

// An export stopped half-way leaves no new file or folder and keeps what was there, whatever
// the format.
class AbortedExport : public ExportFixture, public ::testing::WithParamInterface<std::string> {};

TEST_P(AbortedExport, LeavesNothingAndKeepsTheOlderMovie) {
  MakeProject({Path(2, 20)});
  movieName_ = GetParam();
  const bool frames = movieName_.find('%') != std::string::npos;
  const std::filesystem::path older = frames ? dir_ / "older.png" : Movie();
  testing::WriteFile(older, "older movie");
  const auto before = testing::FolderEntries(dir_.path());
  AbortingCallbacks callbacks;
  callbacks.abortAt = 5;
  EXPECT_TRUE(Export({}, callbacks).Aborted);
  EXPECT_EQ(testing::ReadFile(older), "older movie");
  EXPECT_EQ(testing::FolderEntries(dir_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, AbortedExport,
                         ::testing::Values("m.avi", "m.mp4", "m.mkv", "m.webm", "m.gif",
                                           "m_%04d.png", "new/m_%04d.png"));

TEST_F(ExportFixture, FramesAreTheViewingWindowRenders) {
  MakeProject({Path(2, 4)});
  Export({}, quiet_);
  const auto movie = DecodeMovie(Movie());
  ASSERT_EQ(movie.Frames.size(), 5u);
  // The first frame is key 0 seen through the viewing window, exactly as a single render shows it.
  RenderFrameOptions options;
  options.Width = 64;
  options.Height = 48;
  options.Samples = TOutputOptions{}.Samples;
  options.Switches.SeeVWClip = true;
  const TCamera first = timeline_->KeyFrames()[0].Camera();
  const TFastBMP expected = RenderFrame(project_, first, options);
  EXPECT_EQ(movie.Frames[0].PackedPixels(), expected.PackedPixels());
}

TEST_F(ExportFixture, StereographFramesHaveNoGreenAndEqualEyesAtZeroSeparation) {
  MakeProject({Path(2, 2)});
  TOutputOptions options;
  options.Stereograph = true;
  options.EyeSeparation = "0";
  Export(options, quiet_);
  const auto movie = DecodeMovie(Movie());
  ASSERT_EQ(movie.Frames.size(), 3u);
  const TFastBMP& f = movie.Frames[1];
  for (int y = 0; y < f.Height(); ++y) {
    for (int x = 0; x < f.Width(); ++x) {
      const uint8_t* p = f.Pixel(x, y);
      ASSERT_EQ(p[1], 0) << x << "," << y;
      ASSERT_EQ(p[0], p[2]) << x << "," << y;
    }
  }
  options.EyeSeparation = "wide";
  EXPECT_THROW(Export(options, quiet_), Error);
}

}  // namespace
}  // namespace glkov
