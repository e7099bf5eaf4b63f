#include "core/output/avi_info.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}
std::string U16(uint16_t v) { return U32(v).substr(0, 2); }

std::string Chunk(const std::string& id, const std::string& data) {
  std::string c = id + U32(static_cast<uint32_t>(data.size())) + data;
  if (data.size() % 2) c += '\0';
  return c;
}
std::string List(const std::string& type, const std::string& content) {
  return Chunk("LIST", type + content);
}

std::string Avih(uint32_t maxBytes, uint32_t flags, uint32_t streams, uint32_t buffer, uint32_t w,
                 uint32_t h) {
  return Chunk("avih", U32(50000) + U32(maxBytes) + U32(0) + U32(flags) + U32(10) + U32(0) +
                           U32(streams) + U32(buffer) + U32(w) + U32(h) + std::string(16, '\0'));
}

struct Strh {
  std::string type = "vids";
  std::string handler = "DIB ";
  uint32_t flags = 0;
  uint16_t priority = 0;
  uint16_t language = 0;
  uint32_t initialFrames = 0;
  uint32_t scale = 1;
  uint32_t rate = 20;
  uint32_t start = 0;
  uint32_t length = 10;
  uint32_t buffer = 1536;
  uint32_t quality = 0xFFFFFFFF;
  uint32_t sampleSize = 0;
  int16_t rc[4] = {0, 0, 32, 16};
  std::string Bytes() const {
    std::string s = type + handler + U32(flags) + U16(priority) + U16(language) +
                    U32(initialFrames) + U32(scale) + U32(rate) + U32(start) + U32(length) +
                    U32(buffer) + U32(quality) + U32(sampleSize);
    for (int16_t v : rc) s += U16(static_cast<uint16_t>(v));
    return Chunk("strh", s);
  }
};

std::string Riff(const std::string& type, const std::string& content) {
  return Chunk("RIFF", type + content);
}

// A movie of a video stream named "Scene 1" and an audio stream, with an empty movie list.
std::string TwoStreamMovie() {
  Strh video;
  Strh audio;
  audio.type = "auds";
  audio.handler = std::string(4, '\0');
  audio.scale = 4;
  audio.rate = 176400;
  audio.length = 22050;
  audio.buffer = 8192;
  audio.sampleSize = 4;
  audio.quality = 5;
  audio.language = 9;
  audio.priority = 1;
  for (auto& v : audio.rc) v = 0;
  const std::string hdrl =
      List("hdrl", Avih(123456, 0x910, 2, 100000, 32, 16) +
                       List("strl", video.Bytes() + Chunk("strf", std::string(40, '\0')) +
                                        Chunk("strn", std::string("Scene 1\0", 8))) +
                       List("strl", audio.Bytes() + Chunk("strf", std::string(16, '\0'))));
  return Riff("AVI ", hdrl + Chunk("JUNK", std::string(100, '\0')) + List("movi", ""));
}

// The file and video lines; the audio block is formatted as the video one (its own values below).
const std::vector<std::string> kTwoStreamLines = {
    "File information",
    "================",
    "dwMaxBytesPerSec 123456",
    "dwFlags 2320",
    "dwCaps 1",
    "dwStreams 2",
    "dwSuggestedBufferSize 100000",
    "dwWidth 32",
    "dwHeight 16",
    "dwScale 1",
    "dwRate 20",
    "dwLength 10",  // the video lasts 0.5 s, the audio 0.5 s too: the first longest wins
    "dwEditCount 0",
    "Audio/Video Interleaved (AVI)",
    "",
    "Video Stream",
    "============",
    "fccType 1935960438",
    "fccHandler 541215044",
    "dwFlags 0",
    "dwCaps 1",
    "wPriority 0",
    "wLanguage 0",
    "dwScale 1",
    "dwRate 20",
    "dwStart 0",
    "dwLength 10",
    "dwInitialFrames 0",
    "dwSuggestedBufferSize 1536",
    "dwQuality 4294967295",
    "dwSampleSize 0",
    "Frame : (0, 0)-(32, 16)",
    "dwEditCount 0",
    "dwFormatChangeCount 0",
    "Scene 1",
    "",
};

TEST(AviInfo, HandMadeFileWithVideoAndAudio) {
  TempDir dir;
  WriteFile(dir / "two.avi", TwoStreamMovie());
  std::vector<std::string> lines = AviFileInformation(dir / "two.avi");
  ASSERT_EQ(lines.size(), 56u);
  const std::pair<size_t, const char*> audio[] = {
      {36, "Audio Stream"}, {38, "fccType 1935963489"}, {42, "wPriority 1"},
      {43, "wLanguage 9"},  {45, "dwRate 176400"},      {47, "dwLength 22050"},
      {50, "dwQuality 5"},  {51, "dwSampleSize 4"},     {52, "Frame : (0, 0)-(0, 0)"}};
  for (const auto& [i, line] : audio) EXPECT_EQ(lines[i], line) << i;
  lines.resize(36);
  EXPECT_EQ(lines, kTwoStreamLines);
}

TEST(AviInfo, OpenDmlFile) {
  Strh video;
  const std::string hdrl =
      List("hdrl", Avih(0, 0x10, 1, 0, 32, 16) +
                       List("strl", video.Bytes() + Chunk("strf", std::string(40, '\0'))) +
                       List("odml", Chunk("dmlh", U32(12345) + std::string(244, '\0'))));
  TempDir dir;
  WriteFile(dir / "odml.avi",
            Riff("AVI ", hdrl + List("movi", "")) + Riff("AVIX", List("movi", "")));
  const AviInfo info = ReadAviInfo(dir / "odml.avi");
  EXPECT_TRUE(info.OpenDML);
  EXPECT_EQ(AviInfoLines(info)[13], "Audio/Video Interleaved (AVI, OpenDML)");
  // Only the AVIX part: still OpenDML.
  WriteFile(dir / "avix.avi",
            Riff("AVI ", List("hdrl", Avih(0, 0, 1, 0, 32, 16) + List("strl", video.Bytes()))) +
                Riff("AVIX", ""));
  EXPECT_TRUE(ReadAviInfo(dir / "avix.avi").OpenDML);
}

TEST(AviInfo, ZeroSizeChunksAndOldShortStreamHeader) {
  Strh video;
  std::string strh = video.Bytes();
  // A 48-byte stream header without the frame rectangle.
  strh = Chunk("strh", strh.substr(8, 48));
  std::string junk;
  for (int i = 0; i < 1000; ++i) junk += Chunk("JUNK", "");
  TempDir dir;
  WriteFile(dir / "old.avi", Riff("AVI ", List("hdrl", junk + Avih(0, 0, 1, 0, 32, 16) + junk +
                                                           List("strl", junk + strh))));
  const std::vector<std::string> lines = AviFileInformation(dir / "old.avi");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Frame : (0, 0)-(0, 0)"), lines.end());
}

std::string MessageOf(const std::filesystem::path& file) {
  return testing::ErrorOf([&] { AviFileInformation(file); });
}

TEST(AviInfo, RejectsWhatIsNoAviFile) {
  TempDir dir;
  const auto name = [&](const std::string& n) { return (dir / n).string(); };
  WriteFile(dir / "empty.avi", "");
  WriteFile(dir / "wave.avi", Riff("WAVE", Chunk("fmt ", std::string(16, '\0'))));
  WriteFile(dir / "text.avi", "hello, this is not a movie at all");
  WriteFile(dir / "nohdrl.avi", Riff("AVI ", List("movi", "")));
  WriteFile(dir / "noavih.avi", Riff("AVI ", List("hdrl", List("strl", Strh().Bytes()))));
  WriteFile(dir / "nostream.avi", Riff("AVI ", List("hdrl", Avih(0, 0, 0, 0, 1, 1))));
  WriteFile(dir / "riff0.avi", "RIFF" + U32(0) + "AVI " + List("hdrl", Avih(0, 0, 0, 0, 1, 1)));
  for (const char* n : {"empty.avi", "wave.avi", "text.avi", "nohdrl.avi", "noavih.avi",
                        "nostream.avi", "riff0.avi", "missing.avi"}) {
    const std::string m = MessageOf(dir / n);
    EXPECT_NE(m, "(no error)") << n;
    EXPECT_NE(m.find(name(n)), std::string::npos) << m;
  }
  EXPECT_NE(MessageOf(dir.path()).find(dir.path().string()), std::string::npos);
}

TEST(AviInfo, HugeSizesAreNotTrusted) {
  Strh video;
  // The header list and a stream list claim 4 GB.
  const std::string avih = Avih(0, 0, 1, 0, 32, 16);
  const std::string strl = "LIST" + U32(0xFFFFFFF0) + "strl" + video.Bytes();
  const std::string file =
      "RIFF" + U32(0xFFFFFFFF) + "AVI " + "LIST" + U32(0xFFFFFFFF) + "hdrl" + avih + strl;
  TempDir dir;
  WriteFile(dir / "huge.avi", file);
  const AviInfo info = ReadAviInfo(dir / "huge.avi");
  ASSERT_EQ(info.Streams.size(), 1u);
  EXPECT_EQ(info.Streams[0].dwLength, 10u);
}

// A file cut after its first stream (hostile cuts are the fuzz target's): the video block is
// there, the audio block is not.
TEST(AviInfo, FileCutAfterTheFirstStream) {
  TempDir dir;
  const std::string whole = TwoStreamMovie();
  const auto file = dir / "cut.avi";
  const size_t audioStrl = whole.find("strl", whole.find("strl") + 4) - 8;
  WriteFile(file, whole.substr(0, audioStrl + 20));
  const auto lines = AviFileInformation(file);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Video Stream"), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "Audio Stream"), lines.end());
}

}  // namespace
}  // namespace glkov
