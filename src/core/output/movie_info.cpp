#include "core/output/movie_info.h"

#include <cctype>
#include <cstdio>
#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "core/error.h"
#include "core/output/avi_info.h"

namespace glkov {
namespace {

bool IsAvi(const std::filesystem::path& fileName) {
  std::string ext = fileName.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".avi") return true;
  std::ifstream in(fileName, std::ios::binary);
  char head[12] = {};
  if (!in.read(head, sizeof(head))) return false;
  return std::string(head, 4) == "RIFF" && std::string(head + 8, 4) == "AVI ";
}

std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.*f", decimals, v);
  return text;
}

}  // namespace

std::vector<std::string> MovieInformation(const std::filesystem::path& fileName) {
  if (IsAvi(fileName)) return AviFileInformation(fileName);
  const std::string quoted = "\"" + fileName.string() + "\"";
  AVFormatContext* fc = nullptr;
  if (avformat_open_input(&fc, fileName.c_str(), nullptr, nullptr) < 0) {
    throw Error("Cannot open the movie " + quoted + ".");
  }
  struct Closer {
    AVFormatContext*& fc;
    ~Closer() { avformat_close_input(&fc); }
  } closer{fc};
  avformat_find_stream_info(fc, nullptr);
  const int si = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (si < 0) throw Error("The movie " + quoted + " has no video stream.");
  const AVStream* st = fc->streams[si];
  const AVCodecParameters* par = st->codecpar;

  // Frames as the header counts them, else as the packets of the stream count them.
  int64_t frames = st->nb_frames;
  int64_t bytes = 0;
  if (frames <= 0) {
    frames = 0;
    AVPacket* pkt = av_packet_alloc();
    while (pkt && av_read_frame(fc, pkt) >= 0) {
      if (pkt->stream_index == si) {
        ++frames;
        bytes += pkt->size;
      }
      av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
  }
  AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
  const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
  double seconds = fc->duration > 0 ? static_cast<double>(fc->duration) / AV_TIME_BASE : 0;
  if (seconds <= 0 && fps > 0) seconds = static_cast<double>(frames) / fps;
  int64_t bitRate = fc->bit_rate > 0 ? fc->bit_rate : par->bit_rate;
  if (bitRate <= 0 && seconds > 0 && bytes > 0) {
    bitRate = static_cast<int64_t>(static_cast<double>(bytes) * 8 / seconds);
  }
  const AVCodecDescriptor* codec = avcodec_descriptor_get(par->codec_id);

  std::vector<std::string> lines = {"File information", "================"};
  lines.push_back("Container: " +
                  std::string(fc->iformat->long_name ? fc->iformat->long_name : fc->iformat->name));
  lines.push_back("Codec: " + std::string(codec ? codec->name : "unknown"));
  lines.push_back("Size: " + std::to_string(par->width) + " x " + std::to_string(par->height));
  lines.push_back("Frame rate: " + Fixed(fps, 2) + " frames/s");
  lines.push_back("Frame count: " + std::to_string(frames));
  lines.push_back("Duration: " + Fixed(seconds, 2) + " s");
  lines.push_back("Bit rate: " +
                  (bitRate > 0 ? Fixed(bitRate / 1000.0, 0) + " kbit/s" : "unknown"));
  return lines;
}

}  // namespace glkov
