// GIF files through giflib, read record by record up to the first frame; every size is checked
// before anything is allocated for it.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"

namespace glkov {
namespace {

struct MemorySource {
  const std::vector<uint8_t>* data;
  size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  if (length <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(length), src->data->size() - src->at);
  if (n == 0) return 0;
  std::memcpy(buffer, src->data->data() + src->at, n);
  src->at += n;
  return static_cast<int>(n);
}

// Closes the giflib handle on every way out.
struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
};

std::string GifMessage(int error) {
  const char* text = GifErrorString(error);
  if (error == D_GIF_ERR_READ_FAILED) return "the file is truncated";
  return text ? text : "corrupt GIF file (error " + std::to_string(error) + ")";
}

}  // namespace

TFastBMP ReadGifPicture(const std::string& fileName, const std::vector<uint8_t>& data) {
  MemorySource src{&data};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, ReadFromMemory, &error);
  if (!gif) PictureError(fileName, GifMessage(error));
  GifCloser closer{gif};
  auto fail = [&]() { PictureError(fileName, GifMessage(gif->Error)); };

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) fail();
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) fail();
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
          transparent = gcb.TransparentColor;
        }
      }
      while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) fail();
      }
      continue;
    }
    if (type == TERMINATE_RECORD_TYPE) PictureError(fileName, "the GIF file holds no picture");
    if (type != IMAGE_DESC_RECORD_TYPE) PictureError(fileName, "corrupt GIF file");
    break;
  }

  if (DGifGetImageDesc(gif) == GIF_ERROR) fail();
  const GifImageDesc& desc = gif->Image;
  if (desc.Left < 0 || desc.Top < 0 || desc.Width <= 0 || desc.Height <= 0) {
    PictureError(fileName, "corrupt GIF file (frame position or size)");
  }
  // A frame that reaches past the logical screen widens the screen, as viewers do.
  const long long width = std::max<long long>(gif->SWidth, 0LL + desc.Left + desc.Width);
  const long long height = std::max<long long>(gif->SHeight, 0LL + desc.Top + desc.Height);
  CheckPictureSize(fileName, width, height);
  const ColorMapObject* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!colors || colors->ColorCount <= 0 || !colors->Colors) {
    PictureError(fileName, "the GIF file has no colour table");
  }

  uint8_t background[3] = {0, 0, 0};
  if (gif->SColorMap && gif->SBackGroundColor >= 0 &&
      gif->SBackGroundColor < gif->SColorMap->ColorCount) {
    const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
    background[0] = c.Blue;
    background[1] = c.Green;
    background[2] = c.Red;
  }
  // Colour of every index; indices past the table are black, the transparent one background.
  uint8_t lut[256][3] = {};
  for (int i = 0; i < 256 && i < colors->ColorCount; ++i) {
    lut[i][0] = colors->Colors[i].Blue;
    lut[i][1] = colors->Colors[i].Green;
    lut[i][2] = colors->Colors[i].Red;
  }
  if (transparent >= 0 && transparent < 256) std::memcpy(lut[transparent], background, 3);

  TFastBMP out(static_cast<int>(width), static_cast<int>(height));
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* row = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) std::memcpy(row + 3 * x, background, 3);
  }

  std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
  auto readRow = [&](int frameRow) {
    if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR) fail();
    uint8_t* dst = out.Pixel(desc.Left, desc.Top + frameRow);
    for (int x = 0; x < desc.Width; ++x) std::memcpy(dst + 3 * x, lut[line[x]], 3);
  };
  if (desc.Interlace) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = kStart[pass]; y < desc.Height; y += kStep[pass]) readRow(y);
    }
  } else {
    for (int y = 0; y < desc.Height; ++y) readRow(y);
  }
  return out;
}

}  // namespace glkov
