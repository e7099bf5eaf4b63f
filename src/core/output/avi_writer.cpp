#include "core/output/avi_writer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "core/error.h"
#include "core/output/frame_dib.h"
#include "core/util/atomic_file.h"

namespace glkov {
namespace {

constexpr int kIoBufferSize = 1 << 20;
constexpr size_t kHeadBytes = 64 << 10;  // more than the headers before the first frame take

// The write callback's buffer became const in libavformat 61.
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

[[noreturn]] void Fail(const char* message, const std::string& cause) {
  throw Error(std::string(message) + " (" + cause + ")");
}

const AVOutputFormat* AviFormat() { return av_guess_format("avi", nullptr, nullptr); }

// Encoders that drive hardware or an operating-system service are left out: they need devices
// this program cannot count on.
bool IsHardwareEncoder(const AVCodec* c) {
  if (c->capabilities & AV_CODEC_CAP_HARDWARE) return true;
  if (avcodec_get_hw_config(c, 0) != nullptr) return true;
  static constexpr const char* kSuffixes[] = {"_vaapi",        "_v4l2m2m",    "_nvenc", "_qsv",
                                              "_amf",          "_omx",        "_mf",    "_vulkan",
                                              "_videotoolbox", "_mediacodec", "_rkmpp", "_cuda"};
  const std::string_view name = c->name;
  return std::any_of(std::begin(kSuffixes), std::end(kSuffixes), [&](const char* s) {
    const std::string_view suffix = s;
    return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
  });
}

// Encoders known to write any frame size (some need even sizes) into an AVI file that common
// players read. Many more encoders have an AVI tag but need special sizes, are slow to start or
// are hardly ever read from an AVI file.
constexpr const char* kAviEncoders[] = {"cinepak", "ffv1",       "ffvhuff",   "huffyuv",  "jpegls",
                                        "libx264", "libx264rgb", "libxvid",   "magicyuv", "mjpeg",
                                        "mpeg4",   "msmpeg4",    "msmpeg4v2", "png",      "utvideo",
                                        "zlib",    "zmbv"};

bool FitsAvi(const AVCodec* c) {
  if (!av_codec_is_encoder(c) || c->type != AVMEDIA_TYPE_VIDEO) return false;
  if (std::none_of(std::begin(kAviEncoders), std::end(kAviEncoders),
                   [&](const char* name) { return std::strcmp(name, c->name) == 0; })) {
    return false;
  }
  if (c->capabilities & AV_CODEC_CAP_EXPERIMENTAL) return false;
  if (IsHardwareEncoder(c)) return false;
  return avformat_query_codec(AviFormat(), c->id, FF_COMPLIANCE_NORMAL) == 1;
}

// libavformat stores width x height x bits / 8 as the frame header's biSizeImage, without the
// row padding that the frames have. This finds where that field is in the file's first bytes,
// walking the headers chunk by chunk (RIFF AVI, LIST hdrl, avih, LIST strl, strh, strf); 0 when
// anything is unexpected, and the field is then left as it is.
size_t SizeImageOffset(const std::vector<uint8_t>& head) {
  const auto id = [&](size_t at, const char* fcc) {
    return at + 4 <= head.size() && std::memcmp(head.data() + at, fcc, 4) == 0;
  };
  const auto size = [&](size_t at) -> size_t {
    if (at + 8 > head.size()) return head.size();
    const uint8_t* p = head.data() + at + 4;
    const uint32_t v = p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    return 8 + static_cast<size_t>(v) + (v & 1);
  };
  if (!id(0, "RIFF") || !id(8, "AVI ") || !id(12, "LIST") || !id(20, "hdrl")) return 0;
  size_t at = 24;
  if (!id(at, "avih")) return 0;
  at += size(at);
  if (!id(at, "LIST") || !id(at + 8, "strl")) return 0;
  at += 12;
  if (!id(at, "strh")) return 0;
  at += size(at);
  if (!id(at, "strf") || at + 8 + 24 > head.size()) return 0;
  return at + 8 + 20;
}

}  // namespace

std::vector<AviCodecInfo> ListAviCodecs() {
  std::vector<AviCodecInfo> list;
  void* it = nullptr;
  while (const AVCodec* c = av_codec_iterate(&it)) {
    if (!FitsAvi(c)) continue;
    list.push_back({c->name, c->long_name ? c->long_name : ""});
  }
  std::sort(list.begin(), list.end(),
            [](const AviCodecInfo& a, const AviCodecInfo& b) { return a.Name < b.Name; });
  return list;
}

struct AviWriter::Impl {
  std::filesystem::path fileName;
  AviWriterOptions options;
  int bitCount = 24;
  BitmapInfoHeader header;

  std::unique_ptr<AtomicFile> file;
  std::string ioError;  // cause of the last failed write or seek
  AVIOContext* pb = nullptr;
  AVFormatContext* oc = nullptr;
  AVStream* st = nullptr;
  AVRational frameRate{1, 1};  // time base of the frame numbers
  AVPacket* pkt = nullptr;

  // Compressed streams only.
  AVCodecContext* enc = nullptr;
  SwsContext* sws = nullptr;
  AVFrame* picture = nullptr;
  TFastBMP reduced;

  int64_t frames = 0;
  bool failed = false;
  int64_t position = 0;         // of the next write in the file
  bool patchSizeImage = false;  // uncompressed frames: see SizeImageOffset
  std::vector<uint8_t> head;    // a copy of what the file holds of its first kHeadBytes

  ~Impl() { Release(); }

  void Release() {
    avcodec_free_context(&enc);
    sws_freeContext(sws);
    sws = nullptr;
    av_frame_free(&picture);
    av_packet_free(&pkt);
    if (oc) {
      oc->pb = nullptr;
      avformat_free_context(oc);
      oc = nullptr;
    }
    if (pb) {
      av_freep(&pb->buffer);
      avio_context_free(&pb);
    }
    file.reset();  // without Commit() this discards the temporary file
  }

  std::string Cause(int err) const { return ioError.empty() ? AvError(err) : ioError; }

  static int WriteCallback(void* opaque, IoBuffer buf, int size) {
    auto* self = static_cast<Impl*>(opaque);
    try {
      self->file->Write(buf, static_cast<size_t>(size));
      self->KeepHead(buf, size);
      self->position += size;
      return size;
    } catch (const std::exception& e) {
      self->ioError = e.what();
      return AVERROR(EIO);
    }
  }

  void KeepHead(IoBuffer buf, int size) {
    if (position >= static_cast<int64_t>(kHeadBytes)) return;
    const size_t from = static_cast<size_t>(position);
    const size_t to = std::min(kHeadBytes, from + static_cast<size_t>(size));
    if (head.size() < to) head.resize(to);
    std::copy(buf, buf + (to - from), head.begin() + static_cast<std::ptrdiff_t>(from));
  }

  // After the trailer: gives the frame header its padded image size (see SizeImageOffset).
  void PatchSizeImage() {
    const size_t at = SizeImageOffset(head);
    if (at == 0) return;
    uint8_t value[4];
    for (int i = 0; i < 4; ++i) value[i] = static_cast<uint8_t>(header.biSizeImage >> (8 * i));
    if (std::memcmp(head.data() + at, value, 4) == 0) return;
    file->Seek(static_cast<int64_t>(at), SEEK_SET);
    file->Write(value, 4);
  }

  static int64_t SeekCallback(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Impl*>(opaque);
    if (whence & AVSEEK_SIZE) {
      struct stat s {};
      if (::fstat(self->file->Fd(), &s) != 0) return AVERROR(errno);
      return s.st_size;
    }
    try {
      self->position = self->file->Seek(offset, whence & ~AVSEEK_FORCE);
      return self->position;
    } catch (const std::exception& e) {
      self->ioError = e.what();
      return AVERROR(EIO);
    }
  }

  void Open() {
    const auto& o = options;
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) {
      Fail("Cannot create AVI file.", "\"" + fileName.string() + "\" is a folder");
    }
    try {
      file = std::make_unique<AtomicFile>(fileName);
    } catch (const Error& e) {
      Fail("Cannot create AVI file.", e.what());
    }
    if (avformat_alloc_output_context2(&oc, AviFormat(), nullptr, nullptr) < 0 || !oc) {
      Fail("Cannot create AVI file.", "no AVI writer in this FFmpeg");
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) Fail("Cannot create AVI file.", "out of memory");
    pb = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WriteCallback, &SeekCallback);
    if (!pb) {
      av_free(buffer);
      Fail("Cannot create AVI file.", "out of memory");
    }
    pb->direct = 1;  // frames go straight from their packets to the file, not through the buffer
    oc->pb = pb;
    oc->flags |= AVFMT_FLAG_CUSTOM_IO;

    // The stream: frame size and rate must fit the headers (rcFrame holds 16-bit values).
    if (o.Width <= 0 || o.Height <= 0 || o.Width > 32767 || o.Height > 32767) {
      Fail("Cannot create AVI stream.", "frame size " + std::to_string(o.Width) + " x " +
                                            std::to_string(o.Height) + " out of range");
    }
    if (o.Rate <= 0) {
      Fail("Cannot create AVI stream.", "frame rate " + std::to_string(o.Rate) + " out of range");
    }
    try {
      bitCount = FrameBitCount(o.ColorCount);
      header = InitFrameInfoHeader(o.Width, o.Height, o.ColorCount);
    } catch (const Error& e) {
      Fail("Cannot create AVI stream.", e.what());
    }
    if (bitCount == 1) Fail("Cannot create AVI stream.", "2-colour frames are not supported");
    st = avformat_new_stream(oc, nullptr);
    pkt = av_packet_alloc();
    if (!st || !pkt) Fail("Cannot create AVI stream.", "out of memory");
    frameRate = AVRational{1, o.Rate};
    st->time_base = frameRate;
    st->avg_frame_rate = AVRational{o.Rate, 1};

    AVDictionary* muxerOptions = nullptr;
    if (o.Codec.empty()) {
      AVCodecParameters* par = st->codecpar;
      par->codec_type = AVMEDIA_TYPE_VIDEO;
      par->codec_id = AV_CODEC_ID_RAWVIDEO;
      par->codec_tag = 0;
      par->width = o.Width;
      par->height = o.Height;
      par->format = bitCount == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_PAL8;
      par->bits_per_coded_sample = bitCount;
      // Our DIB rows run bottom-up, as the header's positive height then says.
      av_dict_set(&muxerOptions, "flipped_raw_rgb", "1", 0);
      patchSizeImage = true;
    } else {
      OpenEncoder();
    }

    const int ret = avformat_write_header(oc, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (ret < 0) Fail("AVIStreamSetFormat Error", Cause(ret));
  }

  void OpenEncoder() {
    const auto& o = options;
    const AVCodec* codec = avcodec_find_encoder_by_name(o.Codec.c_str());
    if (!codec || !FitsAvi(codec)) {
      Fail("cannot make compressed stream", "no encoder \"" + o.Codec + "\" for AVI files");
    }
    // The LCL decoders expect rows of an even number of bytes.
    if (std::strcmp(codec->name, "zlib") == 0 && o.Width % 2 != 0) {
      Fail("cannot make compressed stream", o.Codec + " needs an even frame width");
    }
    enc = avcodec_alloc_context3(codec);
    picture = av_frame_alloc();
    if (!enc || !picture) Fail("cannot make compressed stream", "out of memory");
    enc->width = o.Width;
    enc->height = o.Height;
    enc->time_base = frameRate;
    enc->framerate = AVRational{o.Rate, 1};
    enc->sample_aspect_ratio = AVRational{1, 1};
    enc->pix_fmt = codec->pix_fmts ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts,
                                                                       AV_PIX_FMT_BGR24, 0, nullptr)
                                   : AV_PIX_FMT_YUV420P;
    // Every frame a key frame, frames leave the encoder in order.
    enc->gop_size = 1;
    enc->keyint_min = 1;
    enc->max_b_frames = 0;
    // Good quality where the encoder takes a fixed quantiser or quality.
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * 2;
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (std::strcmp(codec->name, "libx264") == 0) {
      av_opt_set(enc->priv_data, "crf", "18", 0);
      av_opt_set(enc->priv_data, "preset", "fast", 0);
    }
    int ret = avcodec_open2(enc, codec, nullptr);
    if (ret < 0) Fail("cannot make compressed stream", o.Codec + ": " + AvError(ret));
    ret = avcodec_parameters_from_context(st->codecpar, enc);
    if (ret < 0) Fail("cannot make compressed stream", AvError(ret));
    // Keep the encoder's own tag where the AVI writer knows it (it tells the variant, e.g. Ut
    // Video's colour layout); otherwise the writer picks the tag.
    const AVCodecTag* const* tags = oc->oformat->codec_tag;
    if (enc->codec_tag == 0 || av_codec_get_id(tags, enc->codec_tag) != enc->codec_id) {
      st->codecpar->codec_tag = 0;
    }

    picture->format = enc->pix_fmt;
    picture->width = o.Width;
    picture->height = o.Height;
    ret = av_frame_get_buffer(picture, 0);
    if (ret < 0) Fail("cannot make compressed stream", AvError(ret));
    sws = sws_getContext(o.Width, o.Height, AV_PIX_FMT_BGR24, o.Width, o.Height, enc->pix_fmt,
                         SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                         nullptr);
    if (!sws) Fail("cannot make compressed stream", "no conversion to the encoder's format");
  }

  void WritePacket(AVPacket* p) {
    p->stream_index = st->index;
    const int ret = av_write_frame(oc, p);
    av_packet_unref(p);
    if (ret < 0) Fail("Add Frame Error", Cause(ret));
  }

  void WriteRaw(const TFastBMP& frame, RowOrder rows) {
    if (bitCount == 24 && rows == RowOrder::BottomUp && frame.SizeBytes() == header.biSizeImage) {
      // The frame's memory is the DIB already: the packet only points at it (the muxer writes it
      // out before av_write_frame returns and keeps no reference).
      pkt->data = const_cast<uint8_t*>(frame.Bits());
      pkt->size = static_cast<int>(header.biSizeImage);
    } else {
      const int ret = av_new_packet(pkt, static_cast<int>(header.biSizeImage));
      if (ret < 0) Fail("Add Frame Error", AvError(ret));
      ConvertFrameBits(frame, header, pkt->data, rows);
    }
    if (frames == 0 && bitCount <= 8) {
      // The fixed palette travels with the first frame; the writer puts it into the header.
      uint8_t* side = av_packet_new_side_data(pkt, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
      if (!side) {
        av_packet_unref(pkt);
        Fail("Add Frame Error", "out of memory");
      }
      std::memset(side, 0, AVPALETTE_SIZE);
      const std::vector<RgbQuad> palette = FramePalette(bitCount);
      for (size_t i = 0; i < palette.size(); ++i) {
        const uint32_t argb = 0xFF000000u | (uint32_t{palette[i].rgbRed} << 16) |
                              (uint32_t{palette[i].rgbGreen} << 8) | palette[i].rgbBlue;
        std::memcpy(side + 4 * i, &argb, 4);  // native byte order, as FFmpeg's palettes are
      }
    }
    pkt->pts = pkt->dts = av_rescale_q(frames, frameRate, st->time_base);
    pkt->duration = av_rescale_q(1, frameRate, st->time_base);
    pkt->flags |= AV_PKT_FLAG_KEY;
    WritePacket(pkt);
  }

  void Drain() {
    for (;;) {
      const int ret = avcodec_receive_packet(enc, pkt);
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
      if (ret < 0) Fail("Add Frame Error", AvError(ret));
      av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
      WritePacket(pkt);
    }
  }

  void WriteEncoded(const TFastBMP& frame, RowOrder rows) {
    const TFastBMP* source = &frame;
    if (bitCount <= 8) {
      reduced = frame;
      ReduceFrameColors(reduced, bitCount);
      source = &reduced;
    }
    int ret = av_frame_make_writable(picture);
    if (ret < 0) Fail("Add Frame Error", AvError(ret));
    // Bottom-up rows are read from the last row upwards.
    const bool topDown = rows == RowOrder::TopDown;
    const uint8_t* srcPlanes[1] = {source->Row(topDown ? 0 : source->Height() - 1)};
    const int stride = static_cast<int>(source->RowStride());
    const int srcStrides[1] = {topDown ? stride : -stride};
    sws_scale(sws, srcPlanes, srcStrides, 0, source->Height(), picture->data, picture->linesize);
    picture->pts = frames;
    picture->pict_type = AV_PICTURE_TYPE_I;
    ret = avcodec_send_frame(enc, picture);
    if (ret < 0) Fail("Add Frame Error", AvError(ret));
    Drain();
  }
};  // namespace glkov

AviWriter::AviWriter(const std::filesystem::path& fileName, const AviWriterOptions& options)
    : impl_(std::make_unique<Impl>()) {
  // Encoders report their statistics on the log; only errors are of interest here.
  if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_ERROR);
  impl_->fileName = fileName;
  impl_->options = options;
  impl_->Open();  // on a throw impl_'s destructor releases what was made
}

AviWriter::~AviWriter() = default;

void AviWriter::AddFrame(const TFastBMP& frame, RowOrder rows) {
  Impl& m = *impl_;
  if (!m.oc || m.failed) Fail("Add Frame Error", "the movie is closed");
  if (frame.Width() != m.options.Width || frame.Height() != m.options.Height) {
    m.failed = true;
    Fail("Add Frame Error", "frame of " + std::to_string(frame.Width()) + " x " +
                                std::to_string(frame.Height()) + " pixels in a movie of " +
                                std::to_string(m.options.Width) + " x " +
                                std::to_string(m.options.Height));
  }
  try {
    if (m.enc) {
      m.WriteEncoded(frame, rows);
    } else {
      m.WriteRaw(frame, rows);
    }
  } catch (...) {
    m.failed = true;
    throw;
  }
  ++m.frames;
}

void AviWriter::Finish() {
  Impl& m = *impl_;
  if (!m.oc || m.failed) Fail("Add Frame Error", "the movie is closed");
  try {
    if (m.enc) {
      const int ret = avcodec_send_frame(m.enc, nullptr);
      if (ret < 0) Fail("Add Frame Error", AvError(ret));
      m.Drain();
    }
    int ret = av_write_trailer(m.oc);
    if (ret < 0) Fail("Add Frame Error", m.Cause(ret));
    avio_flush(m.pb);
    if (m.pb->error < 0) Fail("Add Frame Error", m.Cause(m.pb->error));
    try {
      if (m.patchSizeImage) m.PatchSizeImage();
      m.file->Commit();
    } catch (const Error& e) {
      Fail("Add Frame Error", e.what());
    }
  } catch (...) {
    m.failed = true;
    m.Release();
    throw;
  }
  m.Release();
}

void AviWriter::Abandon() { impl_->Release(); }

int64_t AviWriter::FramesWritten() const { return impl_->frames; }

const std::filesystem::path& AviWriter::FileName() const { return impl_->fileName; }

}  // namespace glkov
