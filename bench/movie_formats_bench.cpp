// The shareable movie formats and anti-aliasing at 1920 x 1080: an MP4 export (rendering and
// encoding overlapped) against an uncompressed AVI export followed by a separate encode of that
// AVI with the same encoder settings; 4 samples per pixel against 1; the peak memory of an MP4
// export. The ratios are medians of five pairs of short flights (31 frames); the memory is that of a
// flight of 181 frames, by when the encoder holds all it ever holds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/output/export.h"
#include "core/output/movie_reader.h"
#include "core/output/movie_writer.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::filesystem::path Folder() {
  return std::filesystem::temp_directory_path() / "glkov-movie-formats-bench";
}

// The synthetic room with its fly-in at fpk frames a key (3 * fpk + 1 frames).
std::filesystem::path SampleProject(int fpk) {
  static std::map<int, std::filesystem::path> made;
  if (const auto found = made.find(fpk); found != made.end()) return found->second;
  const std::filesystem::path folder = Folder() / ("fpk" + std::to_string(fpk));
  std::filesystem::create_directories(folder);
  const auto room = synthetic::MakeSyntheticRoom();
  auto path = synthetic::WriteRoomProject(room, folder, "room");
  auto flight = synthetic::RoomFlyIn(room);
  flight.FPK = fpk;
  std::FILE* f = std::fopen((folder / "room.cam").c_str(), "wb");
  const std::string text = synthetic::FormatCameraPath(flight);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return made[fpk] = path;
}

// The ratios' flights: 31 frames.
constexpr int kShortFlight = 10;
// The memory's flight: 181 frames, long enough for the encoder to hold all it ever holds.
constexpr int kLongFlight = 60;

double Export(const std::string& name, int samples, int fpk = kShortFlight) {
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, SampleProject(fpk).string());
  ExportRequest request;
  request.FileName = (Folder() / name).string();
  request.Options.Width = kWidth;
  request.Options.Height = kHeight;
  request.Options.Samples = samples;
  ExportCallbacks callbacks;
  const auto start = std::chrono::steady_clock::now();
  ExportAnimation(project, timeline, request, callbacks);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Decodes the AVI and encodes its frames into an MP4 through the export's own writer.
double EncodeSeparately(const std::string& avi, const std::string& mp4) {
  const auto start = std::chrono::steady_clock::now();
  TMovieReader reader(Folder() / avi);
  MovieWriterOptions options;
  options.Width = reader.Width();
  options.Height = reader.Height();
  options.Rate = 20;
  const auto writer = OpenMovieWriter(Folder() / mp4, options, DefaultCallbacks());
  TFastBMP frame;
  for (int n = 0; n < reader.FrameCount(); ++n) {
    if (reader.ReadFrame(n, frame)) writer->AddFrame(frame, RowOrder::TopDown);
  }
  writer->Commit();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of a few runs: single runs on this machine swing with the host's speed.
constexpr int kRuns = 5;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs kRuns pairs (numerator first) and reports the medians of both sides and of their ratio.
template <typename Numerator, typename Denominator>
void MedianRatio(benchmark::State& state, const char* numeratorName, Numerator numerator,
                 const char* denominatorName, Denominator denominator) {
  for (auto _ : state) {
    std::vector<double> tops, bottoms, ratios;
    for (int run = 0; run < kRuns; ++run) {
      tops.push_back(numerator());
      bottoms.push_back(denominator());
      ratios.push_back(tops.back() / bottoms.back());
    }
    state.counters[numeratorName] = Median(tops);
    state.counters[denominatorName] = Median(bottoms);
    state.counters["ratio"] = Median(ratios);
  }
}

void Mp4AgainstAviThenEncode(benchmark::State& state) {
  MedianRatio(
      state, "mp4_s", [] { return Export("overlapped.mp4", 1); }, "avi_then_encode_s",
      [] { return Export("raw.avi", 1) + EncodeSeparately("raw.avi", "separate.mp4"); });
}

void FourSamplesAgainstOne(benchmark::State& state) {
  MedianRatio(
      state, "four_s", [] { return Export("four.avi", 4); }, "one_s",
      [] { return Export("one.avi", 1); });
}

BENCHMARK(Mp4AgainstAviThenEncode)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(FourSamplesAgainstOne)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace glkov

namespace {
std::map<std::string, benchmark::UserCounters> measured;

class CounterReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.benchmark_name();
      measured[name.substr(0, name.find('/'))] = run.counters;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

double Get(const std::string& benchmark, const std::string& counter) {
  const auto b = measured.find(benchmark);
  if (b == measured.end()) return 0.0;
  const auto c = b->second.find(counter);
  return c == b->second.end() ? 0.0 : c->second.value;
}

// The peak memory of one 1080p MP4 export, alone in a child process (before this process has
// made any context or movie), in MB; 0 when it failed.
double PeakMemoryOfMp4ExportMb() {
  const pid_t child = ::fork();
  if (child == 0) {
    try {
      glkov::Export("memory.mp4", glkov::TOutputOptions{}.Samples, glkov::kLongFlight);
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return 0;
  }
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_maxrss / 1024.0;
}
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  glkov::SampleProject(glkov::kShortFlight);
  glkov::SampleProject(glkov::kLongFlight);
  const double peak = PeakMemoryOfMp4ExportMb();
  CounterReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nMP4 1920x1080 export / (raw AVI export + separate encode): %.2f (goal <= 0.8)\n",
              Get("Mp4AgainstAviThenEncode", "ratio"));
  std::printf("4 samples / 1 sample, 1920x1080 AVI export:              %.2f (goal <= 1.6)\n",
              Get("FourSamplesAgainstOne", "ratio"));
  std::printf("peak memory of a 1920x1080 MP4 export:                  %.0f MB (goal < 500)\n",
              peak);
  std::filesystem::remove_all(glkov::Folder());
  return 0;
}
