#include "core/output/movie_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "core/error.h"

namespace glkov {

namespace {

// Movies larger than this are refused rather than allocated.
constexpr int kMaxSide = 16384;

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

struct TMovieReader::Impl {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwsContext* sws = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* decoded = nullptr;
  int stream = -1;
  struct Entry {
    int64_t pts = 0;
    bool key = false;
  };
  std::vector<Entry> index;  // one entry per video packet, in file order
  int nextPacket = 0;        // index entry of the next packet av_read_frame gives
  int lastDecoded = -1;      // frame number of the picture held in `last`
  AVFrame* last = nullptr;
  int width = 0;
  int height = 0;

  ~Impl() {
    sws_freeContext(sws);
    av_frame_free(&decoded);
    av_frame_free(&last);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }
};

TMovieReader::TMovieReader(const std::filesystem::path& fileName)
    : impl_(std::make_unique<Impl>()), fileName_(fileName) {
  Impl& m = *impl_;
  const std::string name = fileName.string();
  // A pipe or a device would block the open or never end: only plain files are played.
  std::error_code ec;
  if (std::filesystem::exists(fileName, ec) && !std::filesystem::is_regular_file(fileName, ec)) {
    throw Error("Cannot open movie \"" + name + "\": it is not a file.");
  }
  // Only the local file is read: "file:" keeps a name like "http:x.avi" a file name, and the
  // whitelist stops a playlist inside the file from reaching out to other protocols.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  int rc = avformat_open_input(&m.format, ("file:" + name).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (rc < 0) throw Error("Cannot open movie \"" + name + "\": " + AvError(rc));
  avformat_find_stream_info(m.format, nullptr);
  m.stream = av_find_best_stream(m.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (m.stream < 0) throw Error("Movie \"" + name + "\" has no video stream.");
  hasAudio_ = av_find_best_stream(m.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
  AVStream* st = m.format->streams[m.stream];
  const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
  if (!decoder) throw Error("Movie \"" + name + "\": no decoder for its video stream.");
  m.width = st->codecpar->width;
  m.height = st->codecpar->height;
  if (m.width <= 0 || m.height <= 0 || m.width > kMaxSide || m.height > kMaxSide) {
    throw Error("Movie \"" + name + "\" has an unusable frame size " + std::to_string(m.width) +
                "x" + std::to_string(m.height) + ".");
  }
  m.codec = avcodec_alloc_context3(decoder);
  m.packet = av_packet_alloc();
  m.decoded = av_frame_alloc();
  m.last = av_frame_alloc();
  if (!m.codec || !m.packet || !m.decoded || !m.last) throw Error("Out of memory opening " + name);
  avcodec_parameters_to_context(m.codec, st->codecpar);
  m.codec->thread_count = 1;
  rc = avcodec_open2(m.codec, decoder, nullptr);
  if (rc < 0) throw Error("Movie \"" + name + "\": cannot open its decoder: " + AvError(rc));

  AVRational rate = st->avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = st->r_frame_rate;
  if (rate.num > 0 && rate.den > 0) {
    const double ms = 1000.0 * rate.den / rate.num;
    periodMs_ = static_cast<int>(std::clamp(std::lround(ms), 1L, 60000L));
  }

  // Index every packet of the stream; a damaged or cut-off tail ends the index.
  int64_t counter = 0;
  for (;;) {
    rc = av_read_frame(m.format, m.packet);
    if (rc < 0) {
      truncated_ = rc != AVERROR_EOF;
      break;
    }
    if (m.packet->stream_index == m.stream) {
      Impl::Entry e;
      e.pts = m.packet->pts != AV_NOPTS_VALUE   ? m.packet->pts
              : m.packet->dts != AV_NOPTS_VALUE ? m.packet->dts
                                                : counter;
      e.key = (m.packet->flags & AV_PKT_FLAG_KEY) != 0;
      m.index.push_back(e);
      ++counter;
    }
    av_packet_unref(m.packet);
  }
  if (st->nb_frames > static_cast<int64_t>(m.index.size())) truncated_ = true;
  if (!m.index.empty()) m.index.front().key = true;
  m.nextPacket = static_cast<int>(m.index.size());  // at the end until the first seek
}

TMovieReader::~TMovieReader() = default;

int TMovieReader::FrameCount() const { return static_cast<int>(impl_->index.size()); }
int TMovieReader::Width() const { return impl_->width; }
int TMovieReader::Height() const { return impl_->height; }

bool TMovieReader::ReadFrame(int n, TFastBMP& frame) {
  Impl& m = *impl_;
  lastError_.clear();
  if (n < 0 || n >= FrameCount()) {
    lastError_ = "Frame " + std::to_string(n) + " is outside the movie (" +
                 std::to_string(FrameCount()) + " frames).";
    return false;
  }
  if (m.lastDecoded != n) {
    // Start from the key frame at or before n unless n follows on from where we are.
    int key = n;
    while (key > 0 && !m.index[key].key) --key;
    const bool onTheWay = m.lastDecoded >= 0 && m.lastDecoded < n && m.nextPacket >= 0 &&
                          m.nextPacket <= n && key <= m.nextPacket;
    if (!onTheWay) {
      const int rc = av_seek_frame(m.format, m.stream, m.index[key].pts, AVSEEK_FLAG_BACKWARD);
      if (rc < 0 && av_seek_frame(m.format, m.stream, m.index[key].pts,
                                  AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0) {
        lastError_ = "Cannot seek to frame " + std::to_string(n) + ": " + AvError(rc);
        return false;
      }
      avcodec_flush_buffers(m.codec);
      m.lastDecoded = -1;
      // The demuxer may land before the key frame: find the packet we are at by its time.
      m.nextPacket = -1;
    }
    bool got = false;
    while (!got) {
      const int rc = av_read_frame(m.format, m.packet);
      if (rc < 0) {
        lastError_ = "Frame " + std::to_string(n) + " could not be read: " + AvError(rc);
        return false;
      }
      if (m.packet->stream_index != m.stream) {
        av_packet_unref(m.packet);
        continue;
      }
      int number = m.nextPacket;
      if (number < 0) {
        const int64_t pts = m.packet->pts != AV_NOPTS_VALUE ? m.packet->pts : m.packet->dts;
        auto it = std::find_if(m.index.begin(), m.index.end(),
                               [pts](const Impl::Entry& e) { return e.pts == pts; });
        number = it == m.index.end() ? 0 : static_cast<int>(it - m.index.begin());
      }
      m.nextPacket = number + 1;
      int sent = avcodec_send_packet(m.codec, m.packet);
      av_packet_unref(m.packet);
      if (sent < 0 && sent != AVERROR(EAGAIN)) {
        if (number == n) {
          lastError_ = "Frame " + std::to_string(n) + " could not be decoded: " + AvError(sent);
          return false;
        }
        continue;
      }
      // Intra-frame codecs give one picture per packet; others may lag, which the picture's
      // own number corrects.
      while (avcodec_receive_frame(m.codec, m.decoded) == 0) {
        const int64_t pts = m.decoded->best_effort_timestamp;
        int picture = number;
        if (pts != AV_NOPTS_VALUE) {
          auto it = std::find_if(m.index.begin(), m.index.end(),
                                 [pts](const Impl::Entry& e) { return e.pts == pts; });
          if (it != m.index.end()) picture = static_cast<int>(it - m.index.begin());
        }
        av_frame_unref(m.last);
        av_frame_move_ref(m.last, m.decoded);
        m.lastDecoded = picture;
        if (picture >= n) got = true;
      }
      // Decoders with a delay get a few packets more before the frame counts as lost.
      if (!got && number >= n + 16) {
        lastError_ = "Frame " + std::to_string(n) + " could not be decoded.";
        return false;
      }
    }
  }
  AVFrame* f = m.last;
  if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide) {
    lastError_ = "Frame " + std::to_string(n) + " has an unusable size.";
    return false;
  }
  m.sws = sws_getCachedContext(m.sws, f->width, f->height, static_cast<AVPixelFormat>(f->format),
                               f->width, f->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr,
                               nullptr);
  if (!m.sws) {
    lastError_ = "Frame " + std::to_string(n) + " has a pixel format that cannot be shown.";
    return false;
  }
  TFastBMP out(f->width, f->height);
  uint8_t* dst[4] = {out.Bits(), nullptr, nullptr, nullptr};
  int dstStride[4] = {static_cast<int>(out.RowStride()), 0, 0, 0};
  sws_scale(m.sws, f->data, f->linesize, 0, f->height, dst, dstStride);
  frame = std::move(out);
  return true;
}

}  // namespace glkov
