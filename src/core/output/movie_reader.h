#pragma once

// Reads the video frames of a movie file (any container and codec FFmpeg knows) for the internal
// player: frame count, frame period and frame n as a 24-bit picture. Damaged or truncated files
// give what can be decoded.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/image/fast_bmp.h"

namespace glkov {

class TMovieReader {
 public:
  // Opens fileName and indexes its first video stream. Throws glkov::Error naming the file when
  // it cannot be opened, has no video stream or no decoder for it.
  explicit TMovieReader(const std::filesystem::path& fileName);
  ~TMovieReader();
  TMovieReader(const TMovieReader&) = delete;
  TMovieReader& operator=(const TMovieReader&) = delete;

  const std::filesystem::path& FileName() const { return fileName_; }
  // Frames found in the file (packets of the video stream that could be read).
  int FrameCount() const;
  int Width() const;
  int Height() const;
  // Milliseconds from one frame to the next from the stream's frame rate, rounded to nearest
  // (a 20 frames-per-second movie: 50). 66 when the file gives no usable rate.
  int FramePeriodMs() const { return periodMs_; }
  bool HasAudio() const { return hasAudio_; }
  // True when the file ended or failed before its header's frame count was reached.
  bool Truncated() const { return truncated_; }

  // Decodes frame n (0-based) into frame (24-bit BGR, rows top-down). Returns false and leaves
  // frame unchanged when n is outside the movie or the frame cannot be decoded; LastError()
  // then says why.
  bool ReadFrame(int n, TFastBMP& frame);
  const std::string& LastError() const { return lastError_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::filesystem::path fileName_;
  int periodMs_ = 66;
  bool hasAudio_ = false;
  bool truncated_ = false;
  std::string lastError_;
};

}  // namespace glkov
