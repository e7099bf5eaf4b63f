#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/output/frame_dib.h"

namespace glkov {

// An encoder of this FFmpeg build that can write its frames into an AVI file.
struct AviCodecInfo {
  std::string Name;      // the name to pass as AviWriterOptions::Codec ("mjpeg", "ffv1", ...)
  std::string LongName;  // a description for the user
};

// The encoders offered for AVI movies, sorted by name (no experimental or hardware encoders).
std::vector<AviCodecInfo> ListAviCodecs();

struct AviWriterOptions {
  int Width = 320;  // frame size in pixels
  int Height = 240;
  int ColorCount = 65536;  // 16 (4-bit), 256 (8-bit) or 65536 (24-bit frames)
  int Rate = 15;           // frames per second (dwRate; dwScale is 1)
  std::string Codec;       // encoder name; empty: uncompressed DIB frames
};

// Writes one video stream into an AVI file, every frame a key frame. The file is written to a
// temporary file and put in place by Finish(); until then an existing file of that name stays,
// and destroying the writer without Finish() (an abort, an error) leaves no file behind.
// Files over 1 GiB are written as OpenDML AVI.
class AviWriter {
 public:
  // Opens the movie. Throws glkov::Error "Cannot create AVI file." (the file cannot be
  // created), "Cannot create AVI stream." (bad size or rate), "cannot make compressed stream"
  // (unknown or failing encoder) or "AVIStreamSetFormat Error" (the header cannot be written),
  // each followed by the cause.
  AviWriter(const std::filesystem::path& fileName, const AviWriterOptions& options);
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Appends a 24-bit frame of the movie's size, reduced to the chosen colour depth. Throws
  // glkov::Error "Add Frame Error" (with the cause) when it cannot be written. Uncompressed 24-bit
  // frames given bottom-up are written straight from the frame's memory.
  void AddFrame(const TFastBMP& frame, RowOrder rows = RowOrder::TopDown);

  // Writes the index and puts the finished file in place. Throws glkov::Error "Add Frame Error"
  // when the end of the movie cannot be written (then no file is left).
  void Finish();

  // Discards the movie: the temporary file goes, an existing file of that name stays.
  void Abandon();

  int64_t FramesWritten() const;
  const std::filesystem::path& FileName() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace glkov
