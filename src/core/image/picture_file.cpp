#include "core/image/picture_file.h"

#include <QImage>
#include <QImageReader>
#include <cstring>

#include "core/error.h"
#include "core/util/atomic_file.h"

namespace glkov {

void LoadPictureFile(const std::string& fileName, TFastBMP& target, UiCallbacks& /*callbacks*/) {
  QImageReader reader(QString::fromStdString(fileName));
  QImage image = reader.read();
  if (image.isNull()) {
    throw Error("Cannot read picture \"" + fileName + "\": " + reader.errorString().toStdString());
  }
  image = image.convertToFormat(QImage::Format_RGB888);
  TFastBMP out(image.width(), image.height());
  for (int y = 0; y < out.Height(); ++y) {
    const uchar* src = image.constScanLine(y);
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  target.Swap(out);
}

void SaveBMP(const std::string& fileName, const TFastBMP& picture) {
  const uint32_t w = static_cast<uint32_t>(picture.Width());
  const uint32_t h = static_cast<uint32_t>(picture.Height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint32_t image_size = stride * h;
  uint8_t header[54] = {};
  auto put32 = [&](int at, uint32_t v) { std::memcpy(header + at, &v, 4); };
  auto put16 = [&](int at, uint16_t v) { std::memcpy(header + at, &v, 2); };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, 54 + image_size);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  put16(26, 1);
  put16(28, 24);
  put32(34, image_size);
  put32(38, 2835);
  put32(42, 2835);
  AtomicFile file(fileName);
  file.Write(header, sizeof(header));
  std::vector<uint8_t> row(stride, 0);
  for (int y = static_cast<int>(h) - 1; y >= 0; --y) {
    std::memcpy(row.data(), picture.Row(y), 3 * static_cast<size_t>(w));
    file.Write(row.data(), row.size());
  }
  file.Commit();
}

}  // namespace glkov
