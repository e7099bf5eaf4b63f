#pragma once

// The movie files the export writes, behind one interface: an AVI as it always was, an H.264 MP4
// or Matroska file, a VP9 WebM file, an animated GIF, or one PNG picture per frame. The output's
// file name chooses the format.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/image/fast_bmp.h"
#include "core/output/frame_dib.h"
#include "core/ui_callbacks.h"

namespace glkov {

enum class MovieFormat { Avi, Mp4, Mkv, WebM, Gif, PngFrames };

// The format a file name asks for: ".mp4", ".mkv", ".webm", ".gif" (any case); a ".png" name with
// a frame-number field ("shot_%04d.png") is a PNG sequence; everything else is an AVI movie.
MovieFormat MovieFormatOf(const std::filesystem::path& fileName);

// A short name of the format for messages ("MP4", "PNG frames", ...).
std::string MovieFormatName(MovieFormat format);

struct MovieWriterOptions {
  int Width = 320;  // frame size in pixels
  int Height = 240;
  int ColorCount = 65536;  // 16, 256 or 65536 (24-bit frames)
  int Rate = 15;           // frames per second
  // AVI: the encoder name, empty for uncompressed frames. Matroska: "ffv1" for lossless frames,
  // empty (or "libx264") for H.264. The other formats take no choice.
  std::string Codec;
  // Constant rate factor of H.264 (0-51) and VP9 (0-63); -1: 18 for H.264, 32 for VP9.
  int Crf = -1;
};

// One movie being written. Frames go in one after another; Commit() puts the finished movie in
// place of an older one of that name. Until then the older file stays, and Abort() or destroying
// the writer leaves no trace of the new one.
class MovieWriter {
 public:
  virtual ~MovieWriter() = default;

  // Appends a 24-bit frame of Width() x Height() pixels. Throws glkov::Error "Add Frame Error"
  // with the cause when it cannot be written.
  virtual void AddFrame(const TFastBMP& frame, RowOrder rows) = 0;
  // Writes what is still pending and puts the movie in place. Throws glkov::Error; then no file is
  // left.
  virtual void Commit() = 0;
  // Discards the movie.
  virtual void Abort() = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // How many rendered frames may wait for AddFrame() while it works: enough to ride out a flush of
  // the AVI's write-behind. An encoder has a look-ahead of its own and needs only one.
  virtual size_t FramesToQueue() const { return 4; }
};

// The quality a format is written at: the constant rate factor of H.264 (MP4, Matroska) and VP9
// (WebM), lower meaning better pictures and larger files. Formats without such a choice (AVI, GIF,
// PNG frames, lossless FFV1) have none. The range starts at 0.
struct MovieQuality {
  int Max = 0;
  int Default = 0;
};
std::optional<MovieQuality> MovieQualityOf(MovieFormat format, const std::string& codec);

// The frame size a format can take: H.264 and VP9 frames (4:2:0 colour) are rounded down to even
// sizes. Returns the size unchanged for the other formats.
void FitMovieFrameSize(MovieFormat format, const std::string& codec, int& width, int& height);

// Opens a writer for fileName, its format chosen by MovieFormatOf. A frame size the format cannot
// take is made to fit (FitMovieFrameSize) with a warning through callbacks; the writer's Width()
// and Height() tell the size its frames must have. Throws glkov::Error when the movie cannot be
// created (the file or folder, a size or rate out of range, an encoder this FFmpeg lacks).
std::unique_ptr<MovieWriter> OpenMovieWriter(const std::filesystem::path& fileName,
                                             const MovieWriterOptions& options,
                                             UiCallbacks& callbacks);

// Thrown by Commit() when the user stops a long finish (a GIF's dithering, with progress shown
// through the writer's callbacks): the movie is then discarded as by Abort().
struct MovieCommitAborted {};

// The back ends, for OpenMovieWriter and the tests.
std::unique_ptr<MovieWriter> OpenEncodedMovieWriter(const std::filesystem::path& fileName,
                                                    MovieFormat format,
                                                    const MovieWriterOptions& options,
                                                    UiCallbacks& callbacks = DefaultCallbacks());
std::unique_ptr<MovieWriter> OpenPngFramesWriter(const std::filesystem::path& pattern,
                                                 const MovieWriterOptions& options);

// The name of frame n of a PNG sequence: the pattern's frame-number field ("%04d", "%d")
// replaced by n. Throws glkov::Error when the name has no such field or more than one.
std::filesystem::path PngFrameName(const std::filesystem::path& pattern, int n);

// A ".png" file name without a frame-number field gets "_%04d" before its extension ("shot.png"
// -> "shot_%04d.png"); every other name stays as it is.
std::string PngSequenceName(const std::string& fileName);

// The PNG file of a 24-bit frame; fast trades a bigger file for less time.
std::string EncodePng(const TFastBMP& frame, RowOrder rows, bool fast = false);

}  // namespace glkov
