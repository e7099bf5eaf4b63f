#include "core/image/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "core/error.h"
#include "core/image/picture_reader.h"
#include "core/util/atomic_file.h"

namespace glkov {
namespace {

// No picture the program accepts needs a larger file (a 32-bit BMP of 200 megapixels is 800 MB).
constexpr long long kMaxPictureFileBytes = 1LL << 30;

// In the order of ReadablePictureTypes.
enum class PictureKind { Bmp, Jpeg, Gif, Png };

PictureKind KindOf(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto& types = ReadablePictureTypes();
  for (size_t k = 0; k < types.size(); ++k)
    if (std::ranges::find(types[k].Extensions, ext) != types[k].Extensions.end())
      return static_cast<PictureKind>(k);
  if (ext.empty()) {
    PictureError(fileName, "the file name has no extension that tells the kind of picture");
  }
  PictureError(fileName, "unknown kind of picture \"" +
                             std::filesystem::path(fileName).extension().string() +
                             "\" (BMP, JPEG, GIF and PNG files are read)");
}

// Reads the whole file in one go, so that a decoder never sees a file that changes under it.
std::vector<uint8_t> ReadWholeFile(const std::string& fileName) {
  // O_NONBLOCK: opening a pipe must not wait for a writer (fstat below refuses it).
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    throw Error("Cannot open picture \"" + fileName + "\": " + std::strerror(errno) + ".");
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    throw Error("Cannot open picture \"" + fileName + "\": " + std::strerror(errno) + ".");
  }
  if (!S_ISREG(st.st_mode)) PictureError(fileName, "it is not a file");
  if (st.st_size > kMaxPictureFileBytes) {
    PictureError(fileName, "the file is too large to be a picture the program accepts");
  }
  std::vector<uint8_t> data(static_cast<size_t>(st.st_size));
  size_t filled = 0;
  for (;;) {
    if (filled == data.size()) {
      // The file may have grown since fstat; read on in steps until the end.
      if (static_cast<long long>(data.size()) >= kMaxPictureFileBytes) {
        PictureError(fileName, "the file is too large to be a picture the program accepts");
      }
      data.resize(data.size() + 65536);
    }
    const ssize_t n = ::read(fd, data.data() + filled, data.size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      PictureError(fileName, std::strerror(errno));
    }
    if (n == 0) break;
    filled += static_cast<size_t>(n);
  }
  data.resize(filled);
  if (data.empty()) PictureError(fileName, "the file is empty");
  return data;
}

void PutLE(uint8_t* at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

const std::vector<PictureFileType>& ReadablePictureTypes() {
  static const std::vector<PictureFileType> types = {
      {"BMP", {".bmp", ".dib"}},
      {"JPEG", {".jpg", ".jpeg", ".jpe", ".jfif"}},
      {"GIF", {".gif"}},
      {"PNG", {".png"}},
  };
  return types;
}

void PictureError(const std::string& fileName, const std::string& cause) {
  std::string message = "Cannot read picture \"" + fileName + "\": " + cause;
  if (message.back() != '.' && message.back() != '!' && message.back() != '?') message += '.';
  throw Error(message);
}

void CheckPictureSize(const std::string& fileName, long long width, long long height) {
  if (width <= 0 || height <= 0) {
    PictureError(fileName, "the picture has no pixels (" + std::to_string(width) + " x " +
                               std::to_string(height) + ")");
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    PictureError(fileName, "the picture is " + std::to_string(width) + " x " +
                               std::to_string(height) +
                               " pixels, more than the program accepts (16384 pixels a side, "
                               "200 megapixels)");
  }
}

void LoadPictureFile(const std::string& fileName, TFastBMP& target, UiCallbacks& callbacks) {
  const PictureKind kind = KindOf(fileName);
  const std::vector<uint8_t> data = ReadWholeFile(fileName);
  TFastBMP picture;
  switch (kind) {
    case PictureKind::Bmp:
      picture = ReadBmpPicture(fileName, data);
      break;
    case PictureKind::Jpeg:
      picture = ReadJpegPicture(fileName, data, callbacks);
      break;
    case PictureKind::Gif:
      picture = ReadGifPicture(fileName, data);
      break;
    case PictureKind::Png:
      picture = ReadPngPicture(fileName, data);
      break;
  }
  target.Swap(picture);
}

void SaveBMP(const std::string& fileName, const TFastBMP& picture) {
  if (picture.Empty()) {
    throw Error("Cannot write picture \"" + fileName + "\": the picture is empty.");
  }
  const uint64_t w = static_cast<uint64_t>(picture.Width());
  const uint64_t h = static_cast<uint64_t>(picture.Height());
  const uint64_t stride = (w * 3 + 3) & ~uint64_t{3};
  const uint64_t image_size = stride * h;
  if (54 + image_size > std::numeric_limits<uint32_t>::max() ||
      w > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ||
      h > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    throw Error("Cannot write picture \"" + fileName +
                "\": the picture is too large for a BMP file.");
  }
  uint8_t header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  PutLE(header + 2, static_cast<uint32_t>(54 + image_size), 4);
  PutLE(header + 10, 54, 4);
  PutLE(header + 14, 40, 4);
  PutLE(header + 18, static_cast<uint32_t>(w), 4);
  PutLE(header + 22, static_cast<uint32_t>(h), 4);  // positive: bottom-up rows
  PutLE(header + 26, 1, 2);
  PutLE(header + 28, 24, 2);
  PutLE(header + 34, static_cast<uint32_t>(image_size), 4);
  PutLE(header + 38, 2835, 4);  // 72 dpi
  PutLE(header + 42, 2835, 4);
  AtomicFile file(fileName);
  file.Write(header, sizeof(header));
  // Rows go out bottom row first, gathered into blocks of about a megabyte.
  const size_t rows_per_block = std::max<size_t>(1, (1u << 20) / stride);
  std::vector<uint8_t> block(rows_per_block * stride, 0);
  size_t in_block = 0;
  for (int y = picture.Height() - 1; y >= 0; --y) {
    std::memcpy(block.data() + in_block * stride, picture.Row(y), 3 * w);
    if (++in_block == rows_per_block || y == 0) {
      file.Write(block.data(), in_block * stride);
      in_block = 0;
    }
  }
  file.Commit();
}

}  // namespace glkov
