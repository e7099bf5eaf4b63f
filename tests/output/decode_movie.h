#pragma once

// Decodes a movie with libavformat/libavcodec, independent of the writer, into 24-bit frames.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "core/image/fast_bmp.h"

namespace glkov::testing {

struct DecodedMovie {
  std::string Codec;
  int Width = 0;
  int Height = 0;
  AVRational TimeBase{0, 1};
  AVRational FrameRate{0, 1};
  int BitsPerCodedSample = 0;
  int64_t StreamFrames = 0;      // what the header says
  int KeyFrames = 0;             // packets marked as key frames
  int64_t FrameCount = 0;        // frames decoded
  std::vector<TFastBMP> Frames;  // kept only when asked for
};

inline DecodedMovie DecodeMovie(const std::filesystem::path& path, bool keepFrames = true) {
  DecodedMovie m;
  AVFormatContext* fc = nullptr;
  if (avformat_open_input(&fc, path.c_str(), nullptr, nullptr) < 0) {
    ADD_FAILURE() << "cannot open " << path;
    return m;
  }
  avformat_find_stream_info(fc, nullptr);
  const int si = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (si < 0) {
    ADD_FAILURE() << "no video stream in " << path;
    avformat_close_input(&fc);
    return m;
  }
  AVStream* st = fc->streams[si];
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  AVCodecContext* dec = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(dec, st->codecpar);
  if (avcodec_open2(dec, codec, nullptr) < 0) ADD_FAILURE() << "cannot open the decoder";
  m.Codec = codec ? codec->name : "";
  m.Width = st->codecpar->width;
  m.Height = st->codecpar->height;
  m.TimeBase = st->time_base;
  m.FrameRate = st->avg_frame_rate;
  m.BitsPerCodedSample = st->codecpar->bits_per_coded_sample;
  m.StreamFrames = st->nb_frames;

  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* sws = nullptr;
  const auto receive = [&] {
    while (avcodec_receive_frame(dec, frame) == 0) {
      ++m.FrameCount;
      if (!keepFrames) continue;
      sws = sws_getCachedContext(
          sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
          frame->height, AV_PIX_FMT_BGR24, SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
          nullptr, nullptr, nullptr);
      TFastBMP out(frame->width, frame->height);
      uint8_t* dst[1] = {out.Bits()};
      const int dstStride[1] = {static_cast<int>(out.RowStride())};
      sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
      m.Frames.push_back(std::move(out));
    }
  };
  while (av_read_frame(fc, pkt) >= 0) {
    if (pkt->stream_index == si) {
      if (pkt->flags & AV_PKT_FLAG_KEY) ++m.KeyFrames;
      avcodec_send_packet(dec, pkt);
      receive();
    }
    av_packet_unref(pkt);
  }
  avcodec_send_packet(dec, nullptr);
  receive();
  sws_freeContext(sws);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&fc);
  return m;
}

}  // namespace glkov::testing
