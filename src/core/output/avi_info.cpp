#include "core/output/avi_info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/error.h"

namespace glkov {
namespace {

// Headers are small; a header list claiming more than this is read only this far.
constexpr uint64_t kMaxHeaderBytes = 16u << 20;
// hdrl must come before the movie data; this many top-level chunks are looked at at most.
constexpr int kMaxTopLevelChunks = 4096;

constexpr uint32_t Fcc(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A chunk inside a byte range: its code, and its data clipped to the range.
struct Chunk {
  uint32_t id = 0;
  uint32_t declaredSize = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;  // bytes present (less than declaredSize when the chunk is cut off)
  bool complete() const { return size == declaredSize; }
};

// Walks the chunks of [begin, end). Every step moves at least eight bytes forward, so a chunk of
// size zero cannot hold the walk up.
class ChunkWalker {
 public:
  ChunkWalker(const uint8_t* begin, size_t size) : p_(begin), end_(begin + size) {}
  bool Next(Chunk& c) {
    if (static_cast<size_t>(end_ - p_) < 8) return false;
    c.id = Le32(p_);
    c.declaredSize = Le32(p_ + 4);
    c.data = p_ + 8;
    const size_t left = static_cast<size_t>(end_ - c.data);
    c.size = std::min<size_t>(c.declaredSize, left);
    const uint64_t step = 8 + uint64_t{c.declaredSize} + (c.declaredSize & 1);
    p_ = step >= static_cast<uint64_t>(end_ - p_) ? end_ : p_ + step;
    return true;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

class AviFile {
 public:
  explicit AviFile(const std::filesystem::path& name) : name_(name) {
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec)) {
      throw Error("Cannot open \"" + name.string() + "\": " + std::strerror(EISDIR));
    }
    // A pipe would block the open: only plain files are read.
    if (std::filesystem::exists(name, ec) && !std::filesystem::is_regular_file(name, ec)) {
      throw Error("Cannot open \"" + name.string() + "\": it is not a file");
    }
    in_.open(name, std::ios::binary);
    if (!in_) throw Error("Cannot open \"" + name.string() + "\": " + std::strerror(errno));
    in_.seekg(0, std::ios::end);
    const auto end = in_.tellg();
    if (end < 0) Fail("Cannot read");
    size_ = static_cast<uint64_t>(end);
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error(what + " \"" + name_.string() + "\"");
  }

  uint64_t size() const { return size_; }

  // Reads up to n bytes at offset; returns the bytes that are there.
  std::vector<uint8_t> Read(uint64_t offset, uint64_t n) {
    std::vector<uint8_t> buf;
    if (offset >= size_) return buf;
    n = std::min(n, size_ - offset);
    buf.resize(n);
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(buf.data()), static_cast<std::streamsize>(n));
    buf.resize(static_cast<size_t>(std::max<std::streamsize>(0, in_.gcount())));
    return buf;
  }

 private:
  std::filesystem::path name_;
  std::ifstream in_;
  uint64_t size_ = 0;
};

// A text field: the bytes up to the first zero, at most 64, control characters shown as '?'.
std::string TextField(const uint8_t* p, size_t n) {
  std::string s;
  for (size_t i = 0; i < n && i < 64 && p[i] != 0; ++i) {
    s += p[i] < 0x20 || p[i] == 0x7F ? '?' : static_cast<char>(p[i]);
  }
  return s;
}

// Reads one stream header list. Returns false when its stream header is missing or cut off
// before the fields the window shows (rcFrame may be missing in old files: it then stays 0).
bool ReadStream(const Chunk& strl, AviStreamInfo& s, bool& openDml) {
  bool haveHeader = false;
  ChunkWalker walk(strl.data + 4, strl.size - 4);
  for (Chunk c; walk.Next(c);) {
    if (c.id == Fcc("strh") && !haveHeader) {
      if (c.size < 48) return false;
      const uint8_t* p = c.data;
      s.fccType = Le32(p);
      s.fccHandler = Le32(p + 4);
      s.dwFlags = Le32(p + 8);
      s.wPriority = Le16(p + 12);
      s.wLanguage = Le16(p + 14);
      s.dwInitialFrames = Le32(p + 16);
      s.dwScale = Le32(p + 20);
      s.dwRate = Le32(p + 24);
      s.dwStart = Le32(p + 28);
      s.dwLength = Le32(p + 32);
      s.dwSuggestedBufferSize = Le32(p + 36);
      s.dwQuality = Le32(p + 40);
      s.dwSampleSize = Le32(p + 44);
      if (c.size >= 56) {
        s.rcLeft = static_cast<int16_t>(Le16(p + 48));
        s.rcTop = static_cast<int16_t>(Le16(p + 50));
        s.rcRight = static_cast<int16_t>(Le16(p + 52));
        s.rcBottom = static_cast<int16_t>(Le16(p + 54));
      }
      // Streams are opened for reading only.
      s.dwCaps = 1;  // AVIFILECAPS_CANREAD
      haveHeader = true;
    } else if (c.id == Fcc("strn")) {
      s.szName = TextField(c.data, c.size);
    } else if (c.id == Fcc("indx")) {
      openDml = true;
    }
  }
  return haveHeader;
}

}  // namespace

AviInfo ReadAviInfo(const std::filesystem::path& fileName) {
  AviFile file(fileName);
  const std::vector<uint8_t> riff = file.Read(0, 12);
  if (riff.size() < 12 || Le32(riff.data()) != Fcc("RIFF") ||
      Le32(riff.data() + 8) != Fcc("AVI ")) {
    file.Fail("Not an AVI file:");
  }
  // The first RIFF part holds the headers; its size is not trusted beyond the file's end.
  const uint64_t riffEnd = std::min<uint64_t>(8 + uint64_t{Le32(riff.data() + 4)}, file.size());

  AviInfo info;
  std::vector<uint8_t> hdrl;
  uint64_t pos = 12;
  for (int n = 0; n < kMaxTopLevelChunks && pos + 12 <= riffEnd; ++n) {
    const std::vector<uint8_t> head = file.Read(pos, 12);
    if (head.size() < 12) break;
    const uint32_t id = Le32(head.data());
    const uint32_t size = Le32(head.data() + 4);
    const uint32_t listType = Le32(head.data() + 8);
    if (id == Fcc("LIST") && listType == Fcc("hdrl")) {
      const uint64_t n = std::min<uint64_t>({uint64_t{size}, riffEnd - pos - 8, kMaxHeaderBytes});
      hdrl = file.Read(pos + 8, n);
      break;
    }
    if (id == Fcc("LIST") && listType == Fcc("movi")) break;
    pos += 8 + uint64_t{size} + (size & 1);
  }
  if (hdrl.size() < 4) file.Fail("No AVI header in");

  bool haveMainHeader = false;
  ChunkWalker walk(hdrl.data() + 4, hdrl.size() - 4);
  for (Chunk c; walk.Next(c);) {
    if (c.id == Fcc("avih") && !haveMainHeader) {
      if (c.size < 40) break;
      const uint8_t* p = c.data;
      info.File.dwMaxBytesPerSec = Le32(p + 4);
      info.File.dwFlags = Le32(p + 12);
      info.File.dwStreams = Le32(p + 24);
      info.File.dwSuggestedBufferSize = Le32(p + 28);
      info.File.dwWidth = Le32(p + 32);
      info.File.dwHeight = Le32(p + 36);
      haveMainHeader = true;
    } else if (c.id == Fcc("LIST") && c.size >= 4 && haveMainHeader) {
      const uint32_t type = Le32(c.data);
      if (type == Fcc("strl")) {
        AviStreamInfo s;
        if (!ReadStream(c, s, info.OpenDML)) break;  // later streams are not trusted either
        info.Streams.push_back(std::move(s));
      } else if (type == Fcc("odml")) {
        info.OpenDML = true;
      }
    }
  }
  if (!haveMainHeader) file.Fail("Damaged AVI header in");
  if (info.Streams.empty()) file.Fail("No readable stream in");

  // Further RIFF parts ("AVIX") make an OpenDML file.
  const uint64_t next = 8 + uint64_t{Le32(riff.data() + 4)} + (Le32(riff.data() + 4) & 1);
  const std::vector<uint8_t> more = file.Read(next, 12);
  if (more.size() == 12 && Le32(more.data()) == Fcc("RIFF") &&
      Le32(more.data() + 8) == Fcc("AVIX")) {
    info.OpenDML = true;
  }

  // The file's time scale and length are those of its longest stream (by duration), in that
  // stream's units; the file is opened for reading only, and an AVI file stores no edits.
  const AviStreamInfo* longest = nullptr;
  double longestSeconds = -1;
  for (const auto& s : info.Streams) {
    const double seconds = s.dwRate ? double(s.dwLength) * s.dwScale / s.dwRate : 0.0;
    if (seconds > longestSeconds) {
      longestSeconds = seconds;
      longest = &s;
    }
  }
  info.File.dwScale = longest->dwScale;
  info.File.dwRate = longest->dwRate;
  info.File.dwLength = longest->dwLength;
  info.File.dwCaps = 1;  // AVIFILECAPS_CANREAD
  info.File.dwEditCount = 0;
  info.File.szFileType =
      info.OpenDML ? "Audio/Video Interleaved (AVI, OpenDML)" : "Audio/Video Interleaved (AVI)";
  return info;
}

std::vector<std::string> AviInfoLines(const AviInfo& info) {
  const auto line = [](const char* name, auto value) {
    return std::string(name) + " " + std::to_string(value);
  };
  const AviFileInfo& f = info.File;
  std::vector<std::string> lines = {
      "File information",
      "================",
      line("dwMaxBytesPerSec", f.dwMaxBytesPerSec),
      line("dwFlags", f.dwFlags),
      line("dwCaps", f.dwCaps),
      line("dwStreams", f.dwStreams),
      line("dwSuggestedBufferSize", f.dwSuggestedBufferSize),
      line("dwWidth", f.dwWidth),
      line("dwHeight", f.dwHeight),
      line("dwScale", f.dwScale),
      line("dwRate", f.dwRate),
      line("dwLength", f.dwLength),
      line("dwEditCount", f.dwEditCount),
      f.szFileType,
  };
  const auto block = [&](const char* title, uint32_t type) {
    const auto it = std::find_if(info.Streams.begin(), info.Streams.end(),
                                 [&](const AviStreamInfo& s) { return s.fccType == type; });
    if (it == info.Streams.end()) return;
    const AviStreamInfo& s = *it;
    lines.insert(lines.end(),
                 {"",
                  title,
                  "============",
                  line("fccType", s.fccType),
                  line("fccHandler", s.fccHandler),
                  line("dwFlags", s.dwFlags),
                  line("dwCaps", s.dwCaps),
                  line("wPriority", s.wPriority),
                  line("wLanguage", s.wLanguage),
                  line("dwScale", s.dwScale),
                  line("dwRate", s.dwRate),
                  line("dwStart", s.dwStart),
                  line("dwLength", s.dwLength),
                  line("dwInitialFrames", s.dwInitialFrames),
                  line("dwSuggestedBufferSize", s.dwSuggestedBufferSize),
                  line("dwQuality", s.dwQuality),
                  line("dwSampleSize", s.dwSampleSize),
                  "Frame : (" + std::to_string(s.rcLeft) + ", " + std::to_string(s.rcTop) + ")-(" +
                      std::to_string(s.rcRight) + ", " + std::to_string(s.rcBottom) + ")",
                  line("dwEditCount", s.dwEditCount),
                  line("dwFormatChangeCount", s.dwFormatChangeCount),
                  s.szName});
  };
  block("Video Stream", kStreamTypeVideo);
  block("Audio Stream", kStreamTypeAudio);
  return lines;
}

std::vector<std::string> AviFileInformation(const std::filesystem::path& fileName) {
  return AviInfoLines(ReadAviInfo(fileName));
}

}  // namespace glkov
