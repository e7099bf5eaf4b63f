#include "core/output/export.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "core/animation/camera_path_file.h"
#include "core/animation/interpolation.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/output/movie_writer.h"
#include "core/output/stereograph.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"
#include "core/scene/scene_builder.h"
#include "core/util/text_format.h"

namespace glkov {
namespace {

// Thrown out of the frame loops when the user confirms "Abort outputing?".
struct ExportAborted {};

std::string SceneName(const TProject& project, int i) {
  return "\"" + project.MeshRegions[static_cast<size_t>(i)].Name + "\"";
}

// Reads a sub-scene's camera path into a timeline of its own. Empty when the sub-scene has no
// path or its file cannot be read (the reason goes to callbacks.Warning when warn is set).
std::optional<std::vector<TKeyFrame>> ReadPathKeys(const TProject& project, int i,
                                                   UiCallbacks& callbacks, bool warn) {
  const std::string& name = project.MeshRegions[static_cast<size_t>(i)].CameraPath;
  if (name.empty()) return std::nullopt;
  TProject scratch;
  TTimeline timeline(scratch);
  try {
    UiCallbacks quiet;
    LoadCameraPathFile(timeline, CameraPathLocation(project, name), quiet);
  } catch (const Error& e) {
    if (warn) callbacks.Warning(e.what());
    return std::nullopt;
  }
  return timeline.KeyFrames();
}

// The movie frame of one rendering (or of the two renderings of a stereograph).
class FrameRenderer {
 public:
  FrameRenderer(int width, int height, const ExportRequest& request)
      : target_(width, height, request.Options.Samples), request_(request) {
    switches_ = request.Switches;
    switches_.SeeVWClip = true;  // every movie frame shows exactly the viewing window
    if (request.Options.Stereograph) eyeSeparation_ = EyeSeparationValue(request.Options);
  }

  void Upload(TProject& project) {
    target_.MakeCurrent();
    renderer_.UploadScene(project, request_.Switches.Quality);
  }

  TFastBMP& Render(TProject& project, const TCamera& camera) {
    Draw(project, camera, frame_);
    if (request_.Options.Stereograph) {
      TCamera shifted = camera;
      shifted.CamPos = StereoShiftedEye(camera.CamPos, camera.CamDir, camera.CamUp, eyeSeparation_,
                                        project.SceneScale);
      Draw(project, shifted, second_);
      project.Camera = shifted;
      if (request_.Options.StereoSideBySide) {
        SideBySide(frame_, second_, pair_);
        return pair_;
      }
      CombineStereograph(frame_, second_);
    }
    return frame_;
  }

  // The left eye's picture (the camera's) on the left, the right eye's (shifted along the right
  // vector) on the right, in a frame twice as wide.
  static void SideBySide(const TFastBMP& left, const TFastBMP& right, TFastBMP& into) {
    const int w = left.Width();
    if (into.Width() != 2 * w || into.Height() != left.Height()) into.SetSize(2 * w, left.Height());
    const size_t bytes = static_cast<size_t>(w) * 3;
    for (int y = 0; y < left.Height(); ++y) {
      std::memcpy(into.Row(y), left.Row(y), bytes);
      std::memcpy(into.Row(y) + bytes, right.Row(y), bytes);
    }
  }

  TFastBMP& Frame() { return frame_; }
  // A frame whose two eyes see the same picture: the picture itself, or twice side by side.
  TFastBMP& SameForBothEyes(TFastBMP& picture) {
    if (!request_.Options.Stereograph || !request_.Options.StereoSideBySide) return picture;
    SideBySide(picture, picture, pair_);
    return pair_;
  }
  int Samples() const { return target_.Samples(); }

 private:
  // Bottom-up, as the movie stores the rows (the stereograph's pixels do not mind).
  void Draw(TProject& project, const TCamera& camera, TFastBMP& into) {
    project.Camera = camera;
    renderer_.GLDraw(project, camera, switches_, target_.Width(), target_.Height());
    target_.ReadFrameBottomUp(into);
  }

  OffscreenTarget target_;
  SceneRenderer renderer_;
  const ExportRequest& request_;
  RenderSwitches switches_;
  double eyeSeparation_ = 0;
  TFastBMP frame_;
  TFastBMP second_;
  TFastBMP pair_;  // side-by-side frames
};

// Writing a frame costs far less than rendering one, and the renderer's threads wait for one
// another: each time the writer takes a core from one of them, the whole frame waits. A somewhat
// lower priority lets the writer use the gaps instead, without starving it on a busy machine.
void LowerThisThreadsPriority() {
  constexpr int kLower = 5;
  const auto self = static_cast<id_t>(::gettid());
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, self);
  if (errno == 0) ::setpriority(PRIO_PROCESS, self, std::min(nice + kLower, 19));
}

// Writes frames into the movie on a thread of its own, so that converting and writing one frame
// overlaps with rendering the next. At most the writer's FramesToQueue() wait; a write error stops
// the thread and comes back out of the next Add() or of Finish().
class MovieWriterThread {
 public:
  explicit MovieWriterThread(MovieWriter& writer) : writer_(writer), thread_([this] { Run(); }) {}
  ~MovieWriterThread() { Stop(); }
  MovieWriterThread(const MovieWriterThread&) = delete;
  MovieWriterThread& operator=(const MovieWriterThread&) = delete;

  // Takes the frame's pixels into the queue and leaves a buffer of the same size in their place,
  // whose contents are undefined: every caller draws its next frame over all of it.
  void Add(TFastBMP& frame, RowOrder rows) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < writer_.FramesToQueue() || error_; });
    if (error_) std::rethrow_exception(error_);
    TFastBMP next;
    if (!spare_.empty()) {
      next.Swap(spare_.back());
      spare_.pop_back();
    }
    if (next.Width() != frame.Width() || next.Height() != frame.Height()) {
      next.SetSize(frame.Width(), frame.Height());
    }
    next.Swap(frame);
    queue_.push_back({std::move(next), rows});
    changed_.notify_all();
  }

  // Waits until every frame is written; throws the first write error.
  void Finish() {
    Stop();
    if (error_) std::rethrow_exception(error_);
  }

 private:
  void Run() {
    LowerThisThreadsPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
      if (queue_.empty()) return;
      Queued frame = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      try {
        writer_.AddFrame(frame.Pixels, frame.Rows);
      } catch (...) {
        lock.lock();
        error_ = std::current_exception();
        queue_.clear();
        changed_.notify_all();
        return;
      }
      lock.lock();
      spare_.push_back(std::move(frame.Pixels));
      changed_.notify_all();
    }
  }

  void Stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  MovieWriter& writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  struct Queued {
    TFastBMP Pixels;
    RowOrder Rows;
  };
  std::deque<Queued> queue_;
  std::vector<TFastBMP> spare_;
  std::exception_ptr error_;
  bool stopping_ = false;
  std::thread thread_;  // last, so that it starts after everything it uses
};

class Exporter {
 public:
  Exporter(TProject& project, TTimeline& timeline, const ExportRequest& request,
           ExportCallbacks& callbacks)
      : project_(project), timeline_(timeline), request_(request), callbacks_(callbacks) {}

  ExportResult Run() {
    const TOutputOptions& o = request_.Options;
    divisor_ = o.Preview ? 4 : 1;
    master_ = timeline_.MasterFrameRateFactor();
    fps_ = timeline_.FPS;
    fpk_ = timeline_.FPK;
    trans_ = timeline_.Trans;
    smoothness_ = SmoothnessOf(o);
    scenes_ = ExportScenes(project_, request_);
    CheckSomethingToExport(project_, request_);
    if (o.Stereograph) EyeSeparationValue(o);  // a bad number stops the export before any file

    const bool sideBySide = o.Stereograph && o.StereoSideBySide;
    MovieWriterOptions writerOptions;
    writerOptions.Width = sideBySide ? 2 * o.Width : o.Width;
    writerOptions.Height = o.Height;
    writerOptions.ColorCount = ColorCountOfItem(o.ColorDepthItem);
    writerOptions.Rate = StreamRate(fps_, master_, divisor_);
    writerOptions.Codec = o.Codec;
    writerOptions.Crf = o.Crf;
    const std::unique_ptr<MovieWriter> writer =
        OpenMovieWriter(request_.FileName, writerOptions, callbacks_);
    width_ = sideBySide ? writer->Width() / 2 : writer->Width();
    height_ = writer->Height();
    FrameRenderer renderer(width_, height_, request_);
    renderer_ = &renderer;
    if (renderer.Samples() < o.Samples) {
      callbacks_.Warning(std::to_string(o.Samples) +
                         " samples per pixel are more than this OpenGL allows: " +
                         std::to_string(renderer.Samples()) + " are used.");
    }

    ExportResult result;
    try {
      MovieWriterThread thread(*writer);
      writer_ = &thread;
      for (size_t s = 0; s < scenes_.size(); ++s) ExportSubScene(scenes_[s]);
      thread.Finish();
      writer->Commit();
    } catch (const ExportAborted&) {
      writer->Abort();
      result.Aborted = true;
    } catch (const MovieCommitAborted&) {
      result.Aborted = true;
    }
    result.Frames = frames_;
    return result;
  }

 private:
  void ExportSubScene(int i) {
    const TMeshRegion& region = project_.MeshRegions[static_cast<size_t>(i)];
    if (request_.Preset) {
      RenderFlight(i);
      if (request_.Options.GenMultiRegion) Transition(i, i + 1);
      return;
    }
    if (region.CameraPath.empty()) return;  // no frames and no transition
    const auto keys = ReadPathKeys(project_, i, callbacks_, true);
    if (keys && !keys->empty() && (*keys)[0].Recorded) {
      const int frames = RoundHalfEven(fpk_ * master_ / divisor_);
      if (keys->size() < 2) {
        callbacks_.Warning("Sub-scene " + SceneName(project_, i) +
                           " is skipped: its camera path has fewer than two key frames.");
      } else if (frames < 1) {
        callbacks_.Warning("Sub-scene " + SceneName(project_, i) +
                           " is skipped: its camera path gives no frames between its keys.");
      } else {
        RenderFlight(i);
      }
    }
    if (request_.Options.GenMultiRegion) Transition(i, i + 1);
  }

  void RenderFlight(int i) {
    EnterSubScene(project_, timeline_, i, callbacks_);
    MakeScene(project_,
              {request_.Extraction, request_.Switches.Negative, request_.Options.TextureMax},
              callbacks_);
    renderer_->Upload(project_);

    std::vector<TKeyFrame> keys = timeline_.KeyFrames();
    int fpk = fpk_;
    bool quarter = request_.Options.Preview;
    if (request_.Preset) {
      // A preview flies the preset timed for a quarter of the frame rate instead of dropping
      // frames between its keys, which are two frames apart.
      PresetOptions preset = *request_.Preset;
      preset.FPS = std::max(1, RoundHalfEven(static_cast<double>(fps_) / divisor_));
      quarter = false;
      preset.Smoothness = request_.Options.Smoothness;
      PresetFlight flight = ComputeCameraPreset(project_, preset);
      if (!flight.Notice.empty()) callbacks_.Warning(SceneName(project_, i) + ": " + flight.Notice);
      keys = std::move(flight.Keys);
      fpk = flight.FPK;
    }
    const std::vector<int> segments =
        SegmentFrameCounts(static_cast<int>(keys.size()), fpk, master_, quarter);
    int64_t total = 0;
    for (int n : segments) total += n;
    const std::string caption = "Rendering Scene " + std::to_string(i) + "/" +
                                std::to_string(project_.MeshRegions.size() - 1);
    callbacks_.Progress(caption, 0);
    for (int64_t f = 0; f <= total; ++f) {
      callbacks_.PumpEvents();
      if (callbacks_.AbortRequested()) {
        callbacks_.ClearAbortRequest();
        if (callbacks_.AskYesNo("Abort outputing?")) throw ExportAborted{};
      }
      const TCamera camera = InterpolateCamera(f, keys, segments, smoothness_);
      Write(renderer_->Render(project_, camera), RowOrder::BottomUp);
      callbacks_.Progress(caption, RoundHalfEven(static_cast<double>(f) * 100 / total));
    }
  }

  // A pan across the original picture from the centre of sub-scene i to that of sub-scene j.
  void Transition(int i, int j) {
    if (j >= static_cast<int>(project_.MeshRegions.size())) return;
    const int n = RoundHalfEven(trans_ * master_ / divisor_);
    const std::string caption = "Changing Scene " + std::to_string(i) + "->" + std::to_string(j);
    callbacks_.Progress(caption, 0);
    if (n <= 0) return;
    const TMeshRegion& window = project_.MeshRegions[0];
    const TMeshRegion& a = project_.MeshRegions[static_cast<size_t>(i)];
    const TMeshRegion& b = project_.MeshRegions[static_cast<size_t>(j)];
    const int w = std::max(window.Right - window.Left, 1);
    const int h = std::max(window.Bottom - window.Top, 1);
    const int x0 = (a.Left + a.Right - w) / 2;
    const int y0 = (a.Top + a.Bottom - h) / 2;
    const double dx = ((b.Left + b.Right) / 2.0 - (a.Left + a.Right) / 2.0) / n;
    const double dy = ((b.Top + b.Bottom) / 2.0 - (a.Top + a.Bottom) / 2.0) / n;
    TFastBMP& frame = renderer_->Frame();
    frame.SetSize(width_, height_);
    for (int k = 1; k <= n; ++k) {
      project_.IOriginal.StretchRectInto(frame, RoundHalfEven(k * dx) + x0,
                                         RoundHalfEven(k * dy) + y0, w, h);
      if (request_.Switches.Negative) InvertColours(frame);
      Write(renderer_->SameForBothEyes(frame), RowOrder::TopDown);
      callbacks_.Progress(caption, RoundHalfEven(k * 100.0 / n));
      callbacks_.PumpEvents();
    }
  }

  // "Negative Output" for the pan frames, which are cut from the picture rather than rendered
  // from the negative texels.
  static void InvertColours(TFastBMP& frame) {
    for (int y = 0; y < frame.Height(); ++y) {
      uint8_t* row = frame.Row(y);
      for (size_t i = 0; i < 3 * static_cast<size_t>(frame.Width()); ++i)
        row[i] = static_cast<uint8_t>(255 - row[i]);
    }
  }

  void Write(TFastBMP& frame, RowOrder rows) {
    callbacks_.FrameDone(frame, rows);
    writer_->Add(frame, rows);
    ++frames_;
  }

  TProject& project_;
  TTimeline& timeline_;
  const ExportRequest& request_;
  ExportCallbacks& callbacks_;
  MovieWriterThread* writer_ = nullptr;
  FrameRenderer* renderer_ = nullptr;
  std::vector<int> scenes_;
  int divisor_ = 1;
  double master_ = 1.0;
  int fps_ = 20;
  int fpk_ = 60;
  int trans_ = 40;
  double smoothness_ = 0;
  int64_t frames_ = 0;
  int width_ = 0;  // of the movie's frames
  int height_ = 0;
};

}  // namespace

std::vector<int> ExportScenes(const TProject& project, const ExportRequest& request) {
  const int count = static_cast<int>(project.MeshRegions.size());
  std::vector<int> scenes;
  if (request.Options.GenMultiRegion) {
    for (int i = 1; i < count; ++i) scenes.push_back(i);
  } else {
    const int k =
        request.SingleScene > 0 ? request.SingleScene : std::max(project.CurrentRegion, 1);
    if (k >= count) throw Error("There is no sub-scene " + std::to_string(k) + ".");
    scenes.push_back(k);
  }
  return scenes;
}

void CheckSomethingToExport(const TProject& project, const ExportRequest& request) {
  if (request.Preset) return;  // every sub-scene gets a flight
  UiCallbacks quiet;
  for (int i : ExportScenes(project, request)) {
    const auto keys = ReadPathKeys(project, i, quiet, false);
    if (keys && keys->size() >= 2 && (*keys)[0].Recorded) return;
  }
  throw Error(
      "Nothing to export: no sub-scene has a camera path with at least two key frames whose "
      "first key frame is recorded.");
}

ExportResult ExportAnimation(TProject& project, TTimeline& timeline, const ExportRequest& request,
                             ExportCallbacks& callbacks) {
  return Exporter(project, timeline, request, callbacks).Run();
}

}  // namespace glkov
