// The movies encoded through libavcodec into a container of libavformat: H.264 in MP4 or
// Matroska, FFV1 in Matroska, VP9 in WebM, and animated GIF with one palette for the whole movie
// made by libavfilter's palettegen and paletteuse.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "core/error.h"
#include "core/output/movie_writer.h"
#include "core/util/atomic_file.h"

namespace glkov {
namespace {

constexpr int kIoBufferSize = 1 << 20;

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoBuffer = const uint8_t*;
#else
using IoBuffer = uint8_t*;
#endif

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof(text));
  return text;
}

[[noreturn]] void Fail(const std::string& message, const std::string& cause) {
  throw Error(message + " (" + cause + ")");
}

constexpr const char* kCreate = "Cannot create movie file.";
constexpr const char* kAdd = "Add Frame Error";

// Reads back what has been written to the temporary file: the MP4 writer's second pass that moves
// the index to the front.
struct ReadBack {
  int fd = -1;
  int64_t position = 0;

  static int Read(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<ReadBack*>(opaque);
    const ssize_t n = ::pread(self->fd, buf, static_cast<size_t>(size), self->position);
    if (n < 0) return AVERROR(errno);
    if (n == 0) return AVERROR_EOF;
    self->position += n;
    return static_cast<int>(n);
  }

  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<ReadBack*>(opaque);
    struct stat s {};
    if (::fstat(self->fd, &s) != 0) return AVERROR(errno);
    if (whence & AVSEEK_SIZE) return s.st_size;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET:
        self->position = offset;
        break;
      case SEEK_CUR:
        self->position += offset;
        break;
      case SEEK_END:
        self->position = s.st_size + offset;
        break;
      default:
        return AVERROR(EINVAL);
    }
    return self->position;
  }
};

class EncodedMovieWriter : public MovieWriter {
 public:
  EncodedMovieWriter(const std::filesystem::path& fileName, MovieFormat format,
                     const MovieWriterOptions& options, UiCallbacks& callbacks)
      : format_(format), options_(options), callbacks_(callbacks) {
    // Encoders report their statistics on the log; only errors are of interest here.
    if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_ERROR);
    try {
      Open(fileName);
    } catch (...) {
      Release();
      throw;
    }
  }

  ~EncodedMovieWriter() override { Release(); }

  void AddFrame(const TFastBMP& frame, RowOrder rows) override {
    if (!oc_ || failed_) Fail(kAdd, "the movie is closed");
    if (frame.Width() != options_.Width || frame.Height() != options_.Height) {
      failed_ = true;
      Fail(kAdd, "frame of " + std::to_string(frame.Width()) + " x " +
                     std::to_string(frame.Height()) + " pixels in a movie of " +
                     std::to_string(options_.Width) + " x " + std::to_string(options_.Height));
    }
    try {
      const TFastBMP* source = &frame;
      if (options_.ColorCount < 65536) {
        reduced_ = frame;
        ReduceFrameColors(reduced_, FrameBitCount(options_.ColorCount));
        source = &reduced_;
      }
      if (format_ == MovieFormat::Gif) {
        Keep(*source, rows);
      } else {
        Encode(*source, rows);
      }
    } catch (...) {
      failed_ = true;
      throw;
    }
    ++frames_;
  }

  void Commit() override {
    if (!oc_ || failed_) Fail(kAdd, "the movie is closed");
    try {
      if (format_ == MovieFormat::Gif) DitherKeptFrames();
      int ret = avcodec_send_frame(enc_, nullptr);
      if (ret < 0) Fail(kAdd, AvError(ret));
      Drain();
      ret = av_write_trailer(oc_);
      if (ret < 0) Fail(kAdd, Cause(ret));
      avio_flush(pb_);
      if (pb_->error < 0) Fail(kAdd, Cause(pb_->error));
      try {
        file_->Commit();
      } catch (const Error& e) {
        Fail(kAdd, e.what());
      }
    } catch (...) {
      failed_ = true;
      Release();
      throw;
    }
    Release();
  }

  void Abort() override { Release(); }

  int Width() const override { return options_.Width; }
  int Height() const override { return options_.Height; }
  size_t FramesToQueue() const override { return 1; }

 private:
  void Open(const std::filesystem::path& fileName) {
    const MovieWriterOptions& o = options_;
    const std::string kind = MovieFormatName(format_);
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) {
      Fail(kCreate, "\"" + fileName.string() + "\" is a folder");
    }
    if (o.Width <= 0 || o.Height <= 0 || o.Width > 16384 || o.Height > 16384) {
      Fail(kCreate, "frame size " + std::to_string(o.Width) + " x " + std::to_string(o.Height) +
                        " out of range");
    }
    if (o.Rate <= 0) Fail(kCreate, "frame rate " + std::to_string(o.Rate) + " out of range");

    const char* muxer = "mp4";
    const char* encoder = "libx264";
    switch (format_) {
      case MovieFormat::Mkv:
        muxer = "matroska";
        if (o.Codec == "ffv1") encoder = "ffv1";
        break;
      case MovieFormat::WebM:
        muxer = "webm";
        encoder = "libvpx-vp9";
        break;
      case MovieFormat::Gif:
        muxer = "gif";
        encoder = "gif";
        break;
      default:
        break;
    }
    if (!o.Codec.empty() && o.Codec != encoder &&
        !(o.Codec == "h264" && std::strcmp(encoder, "libx264") == 0)) {
      Fail(kCreate, kind + " movies are written with " + encoder + ", not " + o.Codec);
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (!codec) Fail(kCreate, std::string("this FFmpeg has no encoder ") + encoder);

    try {
      file_ = std::make_unique<AtomicFile>(fileName);
    } catch (const Error& e) {
      Fail(kCreate, e.what());
    }
    if (avformat_alloc_output_context2(&oc_, nullptr, muxer, nullptr) < 0 || !oc_) {
      Fail(kCreate, std::string("this FFmpeg has no ") + muxer + " writer");
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) Fail(kCreate, "out of memory");
    pb_ =
        avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WriteCallback, &SeekCallback);
    if (!pb_) {
      av_free(buffer);
      Fail(kCreate, "out of memory");
    }
    oc_->pb = pb_;
    oc_->flags |= AVFMT_FLAG_CUSTOM_IO;
    oc_->opaque = this;
    oc_->io_open = &OpenReadBack;
    oc_->io_close2 = &CloseReadBack;

    st_ = avformat_new_stream(oc_, nullptr);
    pkt_ = av_packet_alloc();
    enc_ = avcodec_alloc_context3(codec);
    if (!st_ || !pkt_ || !enc_) Fail(kCreate, "out of memory");
    enc_->width = o.Width;
    enc_->height = o.Height;
    enc_->time_base = AVRational{1, o.Rate};
    enc_->framerate = AVRational{o.Rate, 1};
    enc_->sample_aspect_ratio = AVRational{1, 1};
    if (format_ == MovieFormat::Gif) {
      enc_->pix_fmt = AV_PIX_FMT_PAL8;
    } else if (std::strcmp(encoder, "ffv1") == 0) {
      // An RGB layout keeps the frames exactly.
      enc_->pix_fmt =
          avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGR24, 0, nullptr);
    } else {
      enc_->pix_fmt = AV_PIX_FMT_YUV420P;
      // swscale converts with the BT.601 matrix to limited range: say so, so that players agree.
      enc_->colorspace = AVCOL_SPC_SMPTE170M;
      enc_->color_primaries = AVCOL_PRI_SMPTE170M;
      enc_->color_trc = AVCOL_TRC_SMPTE170M;
      enc_->color_range = AVCOL_RANGE_MPEG;
    }
    if (oc_->oformat->flags & AVFMT_GLOBALHEADER) enc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* codecOptions = nullptr;
    if (std::strcmp(encoder, "libx264") == 0) {
      av_dict_set_int(&codecOptions, "crf", Crf(), 0);
      av_dict_set(&codecOptions, "preset", "medium", 0);
      // Memory: at 1080p each frame x264 holds takes 6 to 10 MB. A quarter of the preset's
      // look-ahead (the files come out no larger on camera flights) and one frame thread a core,
      // not x264's one and a half, since the renderer needs cores too; at most 8.
      av_dict_set(&codecOptions, "rc-lookahead", "10", 0);
      av_dict_set_int(&codecOptions, "threads", X264Threads(), 0);
    } else if (std::strcmp(encoder, "libvpx-vp9") == 0) {
      enc_->bit_rate = 0;  // constant quality
      av_dict_set_int(&codecOptions, "crf", Crf(), 0);
      av_dict_set(&codecOptions, "deadline", "good", 0);
      av_dict_set_int(&codecOptions, "cpu-used", 4, 0);
      av_dict_set_int(&codecOptions, "row-mt", 1, 0);
      // Memory: 10 frames of look-ahead instead of 25 take 70 MB less at 1080p; the sample
      // room's WebM came out the same to the byte.
      av_dict_set_int(&codecOptions, "lag-in-frames", 10, 0);
    } else if (std::strcmp(encoder, "ffv1") == 0) {
      av_dict_set_int(&codecOptions, "level", 3, 0);
      av_dict_set_int(&codecOptions, "slicecrc", 1, 0);
    }
    int ret = avcodec_open2(enc_, codec, &codecOptions);
    av_dict_free(&codecOptions);
    if (ret < 0) Fail(kCreate, std::string(encoder) + ": " + AvError(ret));
    ret = avcodec_parameters_from_context(st_->codecpar, enc_);
    if (ret < 0) Fail(kCreate, AvError(ret));
    st_->time_base = enc_->time_base;
    st_->avg_frame_rate = enc_->framerate;

    if (format_ == MovieFormat::Gif) {
      OpenPaletteFilter();
    } else {
      picture_ = av_frame_alloc();
      if (!picture_) Fail(kCreate, "out of memory");
      picture_->format = enc_->pix_fmt;
      picture_->width = o.Width;
      picture_->height = o.Height;
      ret = av_frame_get_buffer(picture_, 0);
      if (ret < 0) Fail(kCreate, AvError(ret));
      sws_ = sws_getContext(o.Width, o.Height, AV_PIX_FMT_BGR24, o.Width, o.Height, enc_->pix_fmt,
                            SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                            nullptr);
      if (!sws_) Fail(kCreate, "no conversion to the encoder's format");
    }

    AVDictionary* muxerOptions = nullptr;
    if (format_ == MovieFormat::Mp4) av_dict_set(&muxerOptions, "movflags", "+faststart", 0);
    if (format_ == MovieFormat::Gif) av_dict_set(&muxerOptions, "loop", "0", 0);  // for ever
    ret = avformat_write_header(oc_, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (ret < 0) Fail(kCreate, Cause(ret));
  }

  // GIF: one palette for the whole movie, made from every frame before the first is dithered.
  // Until then the frames wait in a temporary file; kept in the filter graph they took 1.8 GB
  // for a 1080p flight of 181 frames. The first pass counts the colours, the second dithers.
  void OpenPaletteFilter() {
    filtered_ = av_frame_alloc();
    if (!filtered_) Fail(kCreate, "out of memory");
    waiting_ = TemporaryFile();
    statsGraph_ = avfilter_graph_alloc();
    if (!statsGraph_) Fail(kCreate, "out of memory");
    statsIn_ = BufferSource(kCreate, statsGraph_, "in", AV_PIX_FMT_BGR24, options_.Width,
                            options_.Height);
    // All 256 entries for colours (no transparent one).
    ConfigureGraph(kCreate, statsGraph_, {{"in", statsIn_}},
                   "palettegen=stats_mode=full:reserve_transparent=0", statsOut_, AV_PIX_FMT_NONE);
  }

  // A file without a name in the temporary folder ($TMPDIR or /tmp): gone when closed.
  static std::FILE* TemporaryFile() {
    std::string pattern;
    try {
      pattern = (std::filesystem::temp_directory_path() / "glkov-frames-XXXXXX").string();
    } catch (const std::exception& e) {
      Fail(kCreate, std::string("no temporary folder for the frames: ") + e.what());
    }
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
      Fail(kCreate, "no temporary file for the frames in " +
                        std::filesystem::path(pattern).parent_path().string() + ": " +
                        std::strerror(errno));
    }
    ::unlink(pattern.c_str());
    std::FILE* file = ::fdopen(fd, "w+b");
    if (!file) {
      ::close(fd);
      Fail(kCreate, std::string("no temporary file for the frames: ") + std::strerror(errno));
    }
    return file;
  }

  AVFilterContext* BufferSource(const char* failure, AVFilterGraph* graph, const char* name,
                                int format, int width, int height) {
    const std::string args = "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
                             ":pix_fmt=" + std::to_string(format) + ":time_base=1/" +
                             std::to_string(options_.Rate) + ":pixel_aspect=1/1";
    AVFilterContext* source = nullptr;
    const int ret = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), name,
                                                 args.c_str(), nullptr, graph);
    if (ret < 0) Fail(failure, std::string("palette filter: ") + AvError(ret));
    return source;
  }

  // Joins the named sources to the filters of description and these to a new sink (of the one
  // pixel format given, or any).
  static void ConfigureGraph(const char* failure, AVFilterGraph* graph,
                             std::initializer_list<std::pair<const char*, AVFilterContext*>> sources,
                             const char* description, AVFilterContext*& sink,
                             AVPixelFormat format) {
    int ret = avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out",
                                           nullptr, nullptr, graph);
    if (ret >= 0 && format != AV_PIX_FMT_NONE) {
      const AVPixelFormat formats[] = {format, AV_PIX_FMT_NONE};
      ret = av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE,
                                AV_OPT_SEARCH_CHILDREN);
    }
    if (ret < 0) Fail(failure, std::string("palette filter: ") + AvError(ret));
    AVFilterInOut* outputs = nullptr;
    for (auto it = std::rbegin(sources); it != std::rend(sources); ++it) {
      AVFilterInOut* link = avfilter_inout_alloc();
      if (!link) {
        avfilter_inout_free(&outputs);
        Fail(failure, "out of memory");
      }
      link->name = av_strdup(it->first);
      link->filter_ctx = it->second;
      link->next = outputs;
      outputs = link;
    }
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (!inputs) {
      avfilter_inout_free(&outputs);
      Fail(failure, "out of memory");
    }
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    ret = avfilter_graph_parse_ptr(graph, description, &inputs, &outputs, nullptr);
    avfilter_inout_free(&outputs);
    avfilter_inout_free(&inputs);
    if (ret >= 0) ret = avfilter_graph_config(graph, nullptr);
    if (ret < 0) Fail(failure, std::string("palette filter: ") + AvError(ret));
  }

  AVFrame* NewPicture() {
    AVFrame* f = av_frame_alloc();
    if (!f) Fail(kAdd, "out of memory");
    f->format = AV_PIX_FMT_BGR24;
    f->width = options_.Width;
    f->height = options_.Height;
    const int ret = av_frame_get_buffer(f, 0);
    if (ret < 0) {
      av_frame_free(&f);
      Fail(kAdd, AvError(ret));
    }
    return f;
  }

  // First pass: the frame's colours are counted and its rows (top-down) wait in the file.
  void Keep(const TFastBMP& frame, RowOrder rows) {
    AVFrame* f = NewPicture();
    const size_t rowBytes = static_cast<size_t>(options_.Width) * 3;
    for (int y = 0; y < options_.Height; ++y) {
      const int from = rows == RowOrder::TopDown ? y : options_.Height - 1 - y;
      std::memcpy(f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0], frame.Row(from),
                  rowBytes);
      if (std::fwrite(frame.Row(from), 1, rowBytes, waiting_) != rowBytes) {
        av_frame_free(&f);
        Fail(kAdd, std::string("cannot keep the frame in a temporary file: ") +
                       std::strerror(errno));
      }
    }
    f->pts = frames_;
    // Pushed through at once: a frame merely added would wait on the filter's input.
    const int ret = av_buffersrc_add_frame_flags(statsIn_, f, AV_BUFFERSRC_FLAG_PUSH);
    av_frame_free(&f);
    if (ret < 0) Fail(kAdd, AvError(ret));
  }

  // Second pass: the palette of all frames, then every waiting frame dithered into the movie.
  void DitherKeptFrames() {
    if (frames_ == 0) return;  // no colours, no palette: the movie stays empty
    int ret = av_buffersrc_add_frame(statsIn_, nullptr);
    AVFrame* palette = av_frame_alloc();
    if (!palette) Fail(kAdd, "out of memory");
    if (ret >= 0) ret = av_buffersink_get_frame(statsOut_, palette);
    if (ret >= 0) {
      graph_ = avfilter_graph_alloc();
      if (!graph_) ret = AVERROR(ENOMEM);
    }
    if (ret < 0) {
      av_frame_free(&palette);
      Fail(kAdd, std::string("palette filter: ") + AvError(ret));
    }
    try {
      source_ =
          BufferSource(kAdd, graph_, "in", AV_PIX_FMT_BGR24, options_.Width, options_.Height);
      AVFilterContext* paletteIn =
          BufferSource(kAdd, graph_, "pal", palette->format, palette->width, palette->height);
      // Error diffusion.
      ConfigureGraph(kAdd, graph_, {{"in", source_}, {"pal", paletteIn}},
                     "[in][pal]paletteuse=dither=sierra2_4a", sink_, AV_PIX_FMT_PAL8);
      palette->pts = 0;
      ret = av_buffersrc_add_frame(paletteIn, palette);
      if (ret >= 0) ret = av_buffersrc_add_frame(paletteIn, nullptr);
      if (ret < 0) Fail(kAdd, std::string("palette filter: ") + AvError(ret));
    } catch (...) {
      av_frame_free(&palette);
      throw;
    }
    av_frame_free(&palette);

    std::rewind(waiting_);
    const size_t rowBytes = static_cast<size_t>(options_.Width) * 3;
    for (int64_t n = 0; n < frames_; ++n) {
      callbacks_.Progress("Writing the GIF", static_cast<int>(n * 100 / frames_));
      callbacks_.PumpEvents();
      if (callbacks_.AbortRequested()) {
        callbacks_.ClearAbortRequest();
        if (callbacks_.AskYesNo("Abort outputing?")) throw MovieCommitAborted{};
      }
      AVFrame* f = NewPicture();
      for (int y = 0; y < options_.Height; ++y) {
        if (std::fread(f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0], 1, rowBytes,
                       waiting_) != rowBytes) {
          av_frame_free(&f);
          Fail(kAdd, "cannot read a frame back from its temporary file");
        }
      }
      f->pts = n;
      ret = av_buffersrc_add_frame(source_, f);
      av_frame_free(&f);
      if (ret < 0) Fail(kAdd, AvError(ret));
      PullFiltered();
    }
    ret = av_buffersrc_add_frame(source_, nullptr);
    if (ret < 0) Fail(kAdd, AvError(ret));
    PullFiltered();
  }

  void PullFiltered() {
    const AVRational from = av_buffersink_get_time_base(sink_);
    for (;;) {
      const int ret = av_buffersink_get_frame(sink_, filtered_);
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
      if (ret < 0) Fail(kAdd, AvError(ret));
      filtered_->pts = av_rescale_q(filtered_->pts, from, enc_->time_base);
      const int sent = avcodec_send_frame(enc_, filtered_);
      av_frame_unref(filtered_);
      if (sent < 0) Fail(kAdd, AvError(sent));
      Drain();
    }
  }

  void Encode(const TFastBMP& frame, RowOrder rows) {
    int ret = av_frame_make_writable(picture_);
    if (ret < 0) Fail(kAdd, AvError(ret));
    // Bottom-up rows are read from the last row upwards.
    const bool topDown = rows == RowOrder::TopDown;
    const uint8_t* planes[1] = {frame.Row(topDown ? 0 : frame.Height() - 1)};
    const int stride = static_cast<int>(frame.RowStride());
    const int strides[1] = {topDown ? stride : -stride};
    sws_scale(sws_, planes, strides, 0, frame.Height(), picture_->data, picture_->linesize);
    picture_->pts = frames_;
    ret = avcodec_send_frame(enc_, picture_);
    if (ret < 0) Fail(kAdd, AvError(ret));
    Drain();
  }

  void Drain() {
    for (;;) {
      const int ret = avcodec_receive_packet(enc_, pkt_);
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
      if (ret < 0) Fail(kAdd, AvError(ret));
      av_packet_rescale_ts(pkt_, enc_->time_base, st_->time_base);
      pkt_->stream_index = st_->index;
      const int written = av_interleaved_write_frame(oc_, pkt_);
      if (written < 0) Fail(kAdd, Cause(written));
    }
  }

  static int X264Threads() {
    constexpr unsigned kMost = 8;
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, kMost));
  }

  // The chosen constant rate factor, or the format's default, kept within the encoder's range.
  int Crf() const {
    const auto quality = MovieQualityOf(format_, options_.Codec);
    if (!quality) return 0;
    return options_.Crf < 0 ? quality->Default : std::min(options_.Crf, quality->Max);
  }

  std::string Cause(int err) const { return ioError_.empty() ? AvError(err) : ioError_; }

  static int WriteCallback(void* opaque, IoBuffer buf, int size) {
    auto* self = static_cast<EncodedMovieWriter*>(opaque);
    try {
      self->file_->Write(buf, static_cast<size_t>(size));
      return size;
    } catch (const std::exception& e) {
      self->ioError_ = e.what();
      return AVERROR(EIO);
    }
  }

  static int64_t SeekCallback(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<EncodedMovieWriter*>(opaque);
    if (whence & AVSEEK_SIZE) {
      struct stat s {};
      if (::fstat(self->file_->Fd(), &s) != 0) return AVERROR(errno);
      return s.st_size;
    }
    try {
      return self->file_->Seek(offset, whence & ~AVSEEK_FORCE);
    } catch (const std::exception& e) {
      self->ioError_ = e.what();
      return AVERROR(EIO);
    }
  }

  static int OpenReadBack(AVFormatContext* s, AVIOContext** pb, const char* /*url*/, int flags,
                          AVDictionary** /*options*/) {
    auto* self = static_cast<EncodedMovieWriter*>(s->opaque);
    if ((flags & AVIO_FLAG_WRITE) || !self->file_) return AVERROR(EPERM);
    // The temporary file is open for writing only; its descriptor's link opens it for reading.
    const std::string link = "/proc/self/fd/" + std::to_string(self->file_->Fd());
    const int fd = ::open(link.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return AVERROR(errno);
    auto* reader = new ReadBack{fd, 0};
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    *pb = buffer ? avio_alloc_context(buffer, kIoBufferSize, 0, reader, &ReadBack::Read, nullptr,
                                      &ReadBack::Seek)
                 : nullptr;
    if (!*pb) {
      av_free(buffer);
      ::close(fd);
      delete reader;
      return AVERROR(ENOMEM);
    }
    return 0;
  }

  static int CloseReadBack(AVFormatContext* /*s*/, AVIOContext* pb) {
    if (!pb) return 0;
    auto* reader = static_cast<ReadBack*>(pb->opaque);
    ::close(reader->fd);
    delete reader;
    av_freep(&pb->buffer);
    avio_context_free(&pb);
    return 0;
  }

  void Release() {
    avfilter_graph_free(&graph_);
    source_ = sink_ = nullptr;
    avfilter_graph_free(&statsGraph_);
    statsIn_ = statsOut_ = nullptr;
    if (waiting_) std::fclose(waiting_);
    waiting_ = nullptr;
    av_frame_free(&filtered_);
    avcodec_free_context(&enc_);
    sws_freeContext(sws_);
    sws_ = nullptr;
    av_frame_free(&picture_);
    av_packet_free(&pkt_);
    if (oc_) {
      oc_->pb = nullptr;
      avformat_free_context(oc_);
      oc_ = nullptr;
    }
    if (pb_) {
      av_freep(&pb_->buffer);
      avio_context_free(&pb_);
    }
    file_.reset();  // without Commit() this discards the temporary file
  }

  MovieFormat format_;
  MovieWriterOptions options_;
  UiCallbacks& callbacks_;
  std::unique_ptr<AtomicFile> file_;
  std::string ioError_;
  AVIOContext* pb_ = nullptr;
  AVFormatContext* oc_ = nullptr;
  AVStream* st_ = nullptr;
  AVCodecContext* enc_ = nullptr;
  AVPacket* pkt_ = nullptr;
  SwsContext* sws_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVFilterGraph* statsGraph_ = nullptr;  // GIF: counts the colours
  AVFilterContext* statsIn_ = nullptr;
  AVFilterContext* statsOut_ = nullptr;
  std::FILE* waiting_ = nullptr;  // GIF: the frames until the palette is made
  AVFilterGraph* graph_ = nullptr;  // GIF: dithers with the palette
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  AVFrame* filtered_ = nullptr;
  TFastBMP reduced_;
  int64_t frames_ = 0;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<MovieWriter> OpenEncodedMovieWriter(const std::filesystem::path& fileName,
                                                    MovieFormat format,
                                                    const MovieWriterOptions& options,
                                                    UiCallbacks& callbacks) {
  return std::make_unique<EncodedMovieWriter>(fileName, format, options, callbacks);
}

}  // namespace glkov
