#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace glkov {

// The file-level fields that the information window shows.
struct AviFileInfo {
  uint32_t dwMaxBytesPerSec = 0;
  uint32_t dwFlags = 0;
  uint32_t dwCaps = 0;
  uint32_t dwStreams = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwLength = 0;
  uint32_t dwEditCount = 0;
  std::string szFileType;
};

// One stream's fields; four-character codes as little-endian numbers ("vids" = 1935960438).
struct AviStreamInfo {
  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwFlags = 0;
  uint32_t dwCaps = 0;
  uint16_t wPriority = 0;
  uint16_t wLanguage = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwStart = 0;
  uint32_t dwLength = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwQuality = 0;
  uint32_t dwSampleSize = 0;
  int32_t rcLeft = 0;
  int32_t rcTop = 0;
  int32_t rcRight = 0;
  int32_t rcBottom = 0;
  uint32_t dwEditCount = 0;
  uint32_t dwFormatChangeCount = 0;
  std::string szName;
};

inline constexpr uint32_t kStreamTypeVideo = 0x73646976;  // "vids"
inline constexpr uint32_t kStreamTypeAudio = 0x73647561;  // "auds"

// What the headers of an AVI file say. Streams whose headers are cut off are left out.
struct AviInfo {
  AviFileInfo File;
  std::vector<AviStreamInfo> Streams;
  bool OpenDML = false;  // the file has an OpenDML extended header or AVIX parts
};

// Reads the headers of an AVI file (RIFF "AVI ", hdrl, avih, strl, strh, strf, strn), also of
// OpenDML files, without trusting any size it reads. Throws glkov::Error naming the file when it
// cannot be read, is not an AVI file, or has no readable main header or stream.
AviInfo ReadAviInfo(const std::filesystem::path& fileName);

// The lines of the information window: "File information", "================", the file fields,
// then for the first video and the first audio stream an empty line, the title, its underline and
// the stream fields.
std::vector<std::string> AviInfoLines(const AviInfo& info);

// ReadAviInfo and AviInfoLines in one.
std::vector<std::string> AviFileInformation(const std::filesystem::path& fileName);

}  // namespace glkov
