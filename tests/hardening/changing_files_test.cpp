// Readers given files that are not what they seem: pipes with no writer, endless devices,
// folders, files that vanish, and files rewritten and cut while they are read. Each load either
// succeeds or throws glkov::Error; it never crashes, hangs or grows without bound.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/output/avi_info.h"
#include "core/output/avi_writer.h"
#include "core/output/movie_reader.h"
#include "model/project_test_helpers.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;

struct Reader {
  std::string Name;
  std::string Extension;
  std::function<void(const std::string&)> Load;
};

std::vector<Reader> Readers() {
  const auto picture = [](const std::string& f) {
    TFastBMP b;
    LoadPictureFile(f, b);
  };
  return {
      {"project", ".kov",
       [](const std::string& f) {
         TProject p;
         TTimeline t(p);
         LoadProject(p, t, f);
       }},
      {"camera path", ".cam",
       [](const std::string& f) {
         TProject p;
         TTimeline t(p);
         LoadCameraPathFile(t, f);
       }},
      {"BMP picture", ".bmp", picture},
      {"JPEG picture", ".jpg", picture},
      {"AVI information", ".avi", [](const std::string& f) { ReadAviInfo(f); }},
      {"movie player", ".avi",
       [](const std::string& f) {
         TMovieReader r(f);
         TFastBMP frame;
         for (int i = 0; i < r.FrameCount(); ++i) r.ReadFrame(i, frame);
       }},
  };
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLKOV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLKOV_ADDRESS_SANITIZER 1
#endif
#ifndef GLKOV_ADDRESS_SANITIZER
#define GLKOV_ADDRESS_SANITIZER 0
#endif

constexpr unsigned long long kMemoryLimit = 4ull << 30;

// Runs the load in a child process that is stopped after a while and may not take much memory:
// a hang or a runaway allocation shows as a signal instead of stalling the tests.
testing::ChildRun LoadInChild(const Reader& reader, const std::string& file) {
  return testing::RunInChild([&] {
    ::alarm(5);
#if !GLKOV_ADDRESS_SANITIZER
    const rlimit memory{kMemoryLimit, kMemoryLimit};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    // The address sanitizer reserves far more address space than any limit would allow, so
    // there the peak of memory really used is checked after the load instead.
    const auto checkPeak = [] {
      rusage usage{};
      ::getrusage(RUSAGE_SELF, &usage);
      if (static_cast<unsigned long long>(usage.ru_maxrss) * 1024 > kMemoryLimit)
        throw std::runtime_error("used " + std::to_string(usage.ru_maxrss / 1024) + " MB");
    };
    try {
      reader.Load(file);
    } catch (const Error&) {
      checkPeak();
      throw;
    }
    checkPeak();
  });
}

enum class Special { PipeWithoutWriter, EndlessDevice, Folder, Missing };

TEST(SpecialFiles, EveryReaderRefusesWhatIsNoFile) {
  const std::vector<std::pair<Special, const char*>> kinds = {
      {Special::PipeWithoutWriter, "a pipe with no writer"},
      {Special::EndlessDevice, "/dev/zero"},
      {Special::Folder, "a folder"},
      {Special::Missing, "a missing file"}};
  for (const Reader& reader : Readers()) {
    for (const auto& [kind, what] : kinds) {
      TempDir dir;
      const std::string file = (dir / ("input" + reader.Extension)).string();
      switch (kind) {
        case Special::PipeWithoutWriter:
          ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
          break;
        case Special::EndlessDevice:
          std::filesystem::create_symlink("/dev/zero", file);
          break;
        case Special::Folder:
          std::filesystem::create_directory(file);
          break;
        case Special::Missing:
          break;
      }
      const auto run = LoadInChild(reader, file);
      EXPECT_EQ(run.Signal, 0) << reader.Name << " of " << what << " hung or crashed";
      EXPECT_TRUE(run.ThrewGlkovError) << reader.Name << " of " << what << ": " << run.Error;
      if (reader.Name != "project" || kind != Special::Missing) {
        // (a missing project file is reported by the shell before the reader is reached)
        EXPECT_NE(run.Error.find("input"), std::string::npos)
            << reader.Name << " of " << what << ": " << run.Error;
      }
    }
  }
}

// Samples of each kind of file, each written and cut and rewritten by a second thread while
// the reader loads it again and again.
std::string SampleFor(const Reader& reader, const TempDir& scratch) {
  if (reader.Extension == ".kov") {
    testing::WriteRoomPictures(scratch, 64, 48);
    return testing::CrLf(testing::OneRegionProjectLines());
  }
  if (reader.Extension == ".cam") {
    std::string s = "KOV Camera Path File 1.1\r\n15\r\n30\r\n30\r\n200\r\n";
    for (int i = 0; i < 200; ++i) s += "1 0 1 " + std::to_string(i) + " 0 0 -1 0 1 0\r\n";
    return s;
  }
  if (reader.Extension == ".bmp" || reader.Extension == ".jpg") {
    SaveBMP((scratch / "sample.bmp").string(), testing::GradientPicture(200, 150));
    if (reader.Extension == ".bmp") return testing::ReadFile(scratch / "sample.bmp");
    return testing::ReadFile(testing::SourceDir() / "fuzz/seeds/picture_jpeg_fuzz/tiny.jpg");
  }
  AviWriterOptions o;
  o.Width = 64;
  o.Height = 48;
  o.Codec = "mjpeg";
  {
    AviWriter w(scratch / "sample.avi", o);
    for (int i = 0; i < 20; ++i) w.AddFrame(testing::GradientPicture(64, 48, i));
    w.Finish();
  }
  return testing::ReadFile(scratch / "sample.avi");
}

TEST(ChangingFiles, RewrittenAndCutWhileRead) {
  for (const Reader& reader : Readers()) {
    TempDir dir;
    const std::string sample = SampleFor(reader, dir);
    const auto file = dir / ("changing" + reader.Extension);
    testing::WriteFile(file, sample);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
      size_t cut = 1;
      while (!stop) {
        // Rewrites in place (no rename), so a reader may see any mix of old and new bytes.
        testing::WriteFile(file, sample);
        ::truncate(file.c_str(), static_cast<off_t>(cut % sample.size()));
        cut = cut * 7 + 13;
      }
    });
    // Each load gives its result or glkov::Error; anything else thrown is a fault (and a crash
    // or a bad memory access stops the test under the sanitizers).
    for (int i = 0; i < 60; ++i) {
      try {
        reader.Load(file.string());
      } catch (const Error&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << reader.Name << ": " << e.what();
      }
    }
    stop = true;
    writer.join();
  }
}

}  // namespace
}  // namespace glkov
