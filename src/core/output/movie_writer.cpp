#include "core/output/movie_writer.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <regex>
#include <system_error>

#include "core/error.h"
#include "core/output/avi_writer.h"

namespace glkov {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A frame-number field of printf: "%d", "%4d", "%04d".
const std::regex& FrameNumberField() {
  static const std::regex field("%0?[0-9]*d");
  return field;
}

std::string Quoted(const std::filesystem::path& p) { return "\"" + p.string() + "\""; }

class AviMovieWriter : public MovieWriter {
 public:
  AviMovieWriter(const std::filesystem::path& fileName, const MovieWriterOptions& o)
      : writer_(fileName, AviWriterOptions{o.Width, o.Height, o.ColorCount, o.Rate, o.Codec}),
        width_(o.Width),
        height_(o.Height) {}
  void AddFrame(const TFastBMP& frame, RowOrder rows) override { writer_.AddFrame(frame, rows); }
  void Commit() override { writer_.Finish(); }
  void Abort() override { writer_.Abandon(); }
  int Width() const override { return width_; }
  int Height() const override { return height_; }

 private:
  AviWriter writer_;
  int width_;
  int height_;
};

// Writes the frames into a hidden temporary folder and moves them into the pattern's folder when
// the sequence is complete. A missing folder is made by renaming the temporary one; in an existing
// folder the frames replace those of an older sequence of the same name, whose frames beyond the
// new count are removed.
class PngFramesWriter : public MovieWriter {
 public:
  PngFramesWriter(const std::filesystem::path& pattern, const MovieWriterOptions& o)
      : pattern_(pattern), options_(o) {
    PngFrameName(pattern, 0);  // checks the frame-number field
    if (o.Width <= 0 || o.Height <= 0 || o.Width > 65535 || o.Height > 65535) {
      Fail("Cannot create PNG frames.", "frame size " + std::to_string(o.Width) + " x " +
                                            std::to_string(o.Height) + " out of range");
    }
    folder_ = pattern.parent_path().empty() ? std::filesystem::path(".") : pattern.parent_path();
    std::error_code ec;
    makeFolder_ = !std::filesystem::exists(folder_, ec);
    if (!makeFolder_ && !std::filesystem::is_directory(folder_, ec)) {
      Fail("Cannot create PNG frames.", Quoted(folder_) + " is not a folder");
    }
    const std::filesystem::path base =
        makeFolder_
            ? folder_.parent_path().empty() ? std::filesystem::path(".") : folder_.parent_path()
            : folder_;
    if (makeFolder_ && !std::filesystem::is_directory(base, ec)) {
      Fail("Cannot create PNG frames.", "the folder " + Quoted(base) + " does not exist");
    }
    std::string templ = (base / ".glkov-frames-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
      Fail("Cannot create PNG frames.", Quoted(base) + ": " + std::strerror(errno));
    }
    temp_ = templ;
    // The folder may become the sequence's own: give it an ordinary new folder's permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp_.c_str(), 0777 & ~mask);
  }

  ~PngFramesWriter() override { Abort(); }

  void AddFrame(const TFastBMP& frame, RowOrder rows) override {
    if (temp_.empty()) Fail("Add Frame Error", "the movie is closed");
    if (frame.Width() != options_.Width || frame.Height() != options_.Height) {
      Fail("Add Frame Error", "frame of " + std::to_string(frame.Width()) + " x " +
                                  std::to_string(frame.Height()) + " pixels in a movie of " +
                                  std::to_string(options_.Width) + " x " +
                                  std::to_string(options_.Height));
    }
    const TFastBMP* source = &frame;
    if (options_.ColorCount < 65536) {
      reduced_ = frame;
      ReduceFrameColors(reduced_, FrameBitCount(options_.ColorCount));
      source = &reduced_;
    }
    const std::string png = EncodePng(*source, rows, true);
    const std::filesystem::path name = temp_ / PngFrameName(pattern_, frames_).filename();
    WriteWhole(name, png);
    ++frames_;
  }

  void Commit() override {
    if (temp_.empty()) Fail("Add Frame Error", "the movie is closed");
    try {
      std::error_code ec;
      if (makeFolder_ && !std::filesystem::exists(folder_, ec)) {
        std::filesystem::rename(temp_, folder_);
        temp_.clear();
        return;
      }
      for (int n = 0; n < frames_; ++n) {
        const std::filesystem::path name = PngFrameName(pattern_, n).filename();
        std::filesystem::rename(temp_ / name, folder_ / name);
      }
      for (int n = frames_;; ++n) {  // the rest of an older, longer sequence
        if (!std::filesystem::remove(folder_ / PngFrameName(pattern_, n).filename(), ec)) break;
      }
    } catch (const std::filesystem::filesystem_error& e) {
      Fail("Add Frame Error", e.what());
    }
    Abort();
  }

  void Abort() override {
    if (temp_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(temp_, ec);
    temp_.clear();
  }

  int Width() const override { return options_.Width; }
  int Height() const override { return options_.Height; }

 private:
  [[noreturn]] static void Fail(const std::string& message, const std::string& cause) {
    throw Error(message + " (" + cause + ")");
  }

  static void WriteWhole(const std::filesystem::path& name, const std::string& data) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) Fail("Add Frame Error", Quoted(name) + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const int err = n < 0 ? errno : ENOSPC;
        ::close(fd);
        Fail("Add Frame Error", Quoted(name) + ": " + std::strerror(err));
      }
      done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
      Fail("Add Frame Error", Quoted(name) + ": " + std::strerror(errno));
    }
  }

  std::filesystem::path pattern_;
  MovieWriterOptions options_;
  std::filesystem::path folder_;
  std::filesystem::path temp_;  // empty once committed or aborted
  bool makeFolder_ = false;
  int frames_ = 0;
  TFastBMP reduced_;
};

}  // namespace

MovieFormat MovieFormatOf(const std::filesystem::path& fileName) {
  const std::string ext = Lower(fileName.extension().string());
  if (ext == ".mp4") return MovieFormat::Mp4;
  if (ext == ".mkv") return MovieFormat::Mkv;
  if (ext == ".webm") return MovieFormat::WebM;
  if (ext == ".gif") return MovieFormat::Gif;
  if (ext == ".png" && std::regex_search(fileName.filename().string(), FrameNumberField())) {
    return MovieFormat::PngFrames;
  }
  return MovieFormat::Avi;
}

std::string MovieFormatName(MovieFormat format) {
  switch (format) {
    case MovieFormat::Avi:
      return "AVI";
    case MovieFormat::Mp4:
      return "MP4";
    case MovieFormat::Mkv:
      return "Matroska";
    case MovieFormat::WebM:
      return "WebM";
    case MovieFormat::Gif:
      return "GIF";
    case MovieFormat::PngFrames:
      return "PNG frames";
  }
  return "";
}

std::optional<MovieQuality> MovieQualityOf(MovieFormat format, const std::string& codec) {
  if (format == MovieFormat::Mp4 || (format == MovieFormat::Mkv && Lower(codec) != "ffv1")) {
    return MovieQuality{51, 18};
  }
  if (format == MovieFormat::WebM) return MovieQuality{63, 32};
  return std::nullopt;
}

void FitMovieFrameSize(MovieFormat format, const std::string& codec, int& width, int& height) {
  const bool chroma420 = format == MovieFormat::Mp4 || format == MovieFormat::WebM ||
                         (format == MovieFormat::Mkv && Lower(codec) != "ffv1");
  if (!chroma420) return;
  width -= width % 2;
  height -= height % 2;
}

std::unique_ptr<MovieWriter> OpenMovieWriter(const std::filesystem::path& fileName,
                                             const MovieWriterOptions& options,
                                             UiCallbacks& callbacks) {
  const MovieFormat format = MovieFormatOf(fileName);
  MovieWriterOptions o = options;
  FitMovieFrameSize(format, o.Codec, o.Width, o.Height);
  if (o.Width != options.Width || o.Height != options.Height) {
    callbacks.Warning("The movie size " + std::to_string(options.Width) + " x " +
                      std::to_string(options.Height) + " is rounded down to " +
                      std::to_string(o.Width) + " x " + std::to_string(o.Height) + ": " +
                      MovieFormatName(format) + " movies need even sizes.");
  }
  switch (format) {
    case MovieFormat::Avi:
      return std::make_unique<AviMovieWriter>(fileName, o);
    case MovieFormat::PngFrames:
      return OpenPngFramesWriter(fileName, o);
    default:
      return OpenEncodedMovieWriter(fileName, format, o, callbacks);
  }
}

std::unique_ptr<MovieWriter> OpenPngFramesWriter(const std::filesystem::path& pattern,
                                                 const MovieWriterOptions& options) {
  return std::make_unique<PngFramesWriter>(pattern, options);
}

std::filesystem::path PngFrameName(const std::filesystem::path& pattern, int n) {
  const std::string name = pattern.filename().string();
  auto begin = std::sregex_iterator(name.begin(), name.end(), FrameNumberField());
  const auto count = std::distance(begin, std::sregex_iterator());
  if (count != 1) {
    throw Error("The file name " + Quoted(pattern.filename()) +
                " needs one frame-number field such as %04d.");
  }
  const std::smatch& m = *begin;
  const std::string spec = m.str();
  char number[64];
  std::snprintf(number, sizeof(number), spec.c_str(), n);
  return pattern.parent_path() / (m.prefix().str() + number + m.suffix().str());
}

std::string PngSequenceName(const std::string& fileName) {
  const std::filesystem::path path(fileName);
  if (Lower(path.extension().string()) != ".png" ||
      std::regex_search(path.filename().string(), FrameNumberField())) {
    return fileName;
  }
  return fileName.substr(0, fileName.size() - 4) + "_%04d" + fileName.substr(fileName.size() - 4);
}

std::string EncodePng(const TFastBMP& frame, RowOrder rows, bool fast) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frame.Width());
  image.height = static_cast<png_uint_32>(frame.Height());
  image.format = PNG_FORMAT_BGR;
  image.flags = fast ? PNG_IMAGE_FLAG_FAST : 0;
  // A negative stride starts at the last row: bottom-up frames come out the right way up.
  const bool bottomUp = rows == RowOrder::BottomUp;
  const auto stride = static_cast<png_int_32>(frame.RowStride()) * (bottomUp ? -1 : 1);
  png_alloc_size_t size = 0;
  std::string bytes;
  if (png_image_write_to_memory(&image, nullptr, &size, 0, frame.Bits(), stride, nullptr)) {
    bytes.resize(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, frame.Bits(), stride, nullptr)) {
      bytes.clear();
    }
  }
  const std::string message = image.message;
  png_image_free(&image);
  if (bytes.empty()) throw Error("Add Frame Error (PNG: " + message + ")");
  bytes.resize(size);
  return bytes;
}

}  // namespace glkov
