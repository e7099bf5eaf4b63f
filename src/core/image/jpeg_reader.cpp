// JPEG files through libjpeg-turbo, decoded straight into the rows of the picture as BGR.
// libjpeg reports errors by calling back into our error manager, which jumps out with longjmp;
// only plain C data lives between setjmp and the library's frames, and a C++ exception from the
// caller's progress callback is carried across as an exception_ptr.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"

namespace glkov {
namespace {

// A hostile progressive file can hold thousands of scans that each revisit the whole picture.
constexpr int kMaxJpegScans = 500;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (msg_level -1) would leave a silently damaged picture, so they end decoding too;
// trace messages (msg_level >= 0) are ignored.
void JpegEmitMessage(j_common_ptr cinfo, int msg_level) {
  if (msg_level < 0) JpegErrorExit(cinfo);
}

struct JpegProgress {
  jpeg_progress_mgr pub;
  UiCallbacks* callbacks = nullptr;
  const char* stage = "";
  int lastPercent = -1;
  std::exception_ptr failure;
  bool tooManyScans = false;
};

void JpegProgressMonitor(j_common_ptr cinfo) {
  auto* progress = static_cast<JpegProgress*>(cinfo->client_data);
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxJpegScans) {
    progress->tooManyScans = true;
    JpegErrorExit(cinfo);
  }
  const long total = std::max(1, progress->pub.total_passes);
  const double inPass = progress->pub.pass_limit > 0
                            ? static_cast<double>(progress->pub.pass_counter) /
                                  static_cast<double>(progress->pub.pass_limit)
                            : 0.0;
  const int percent =
      std::clamp(static_cast<int>(100.0 * (progress->pub.completed_passes + inPass) /
                                  static_cast<double>(total)),
                 0, 100);
  // libjpeg's estimate of a progressive file's passes may grow; the gauge never goes back.
  if (percent <= progress->lastPercent) return;
  progress->lastPercent = percent;
  try {
    progress->callbacks->Progress(progress->stage, percent);
    progress->callbacks->PumpEvents();
  } catch (...) {
    progress->failure = std::current_exception();
  }
  if (progress->failure) JpegErrorExit(cinfo);
}

// CMYK as Adobe writes it is stored inverted (255 = no ink); other writers store it plainly.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x) {
    int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[3 * x] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

// The part of the decoding that runs between setjmp and libjpeg. Returns false after a libjpeg
// error, with the message in err.message; everything it touches outlives the jump.
bool DecodeJpeg(jpeg_decompress_struct& cinfo, JpegErrorManager& err, JpegProgress& progress,
                const std::string& fileName, const std::vector<uint8_t>& data, TFastBMP& out,
                std::vector<uint8_t>& cmykRow) {
  if (setjmp(err.jump) != 0) return false;
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  // From here on nothing is allocated by the library beyond its small tables until
  // jpeg_start_decompress, so the size check comes first.
  CheckPictureSize(fileName, cinfo.image_width, cinfo.image_height);
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  progress.stage = "Reading JPEG picture";
  jpeg_start_decompress(&cinfo);
  progress.stage = "Decoding JPEG picture";
  out.SetSize(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
  if (cmyk) {
    cmykRow.resize(4 * static_cast<size_t>(cinfo.output_width));
    while (cinfo.output_scanline < cinfo.output_height) {
      const int y = static_cast<int>(cinfo.output_scanline);
      JSAMPROW row = cmykRow.data();
      if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return false;
      CmykRowToBgr(cmykRow.data(), out.Row(y), cinfo.output_width, cinfo.saw_Adobe_marker);
    }
  } else {
    // libjpeg returns at most one row group per call; hand it the rows it may fill next.
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION first = cinfo.output_scanline;
      const JDIMENSION n = std::min<JDIMENSION>(16, cinfo.output_height - first);
      for (JDIMENSION i = 0; i < n; ++i) rows[i] = out.Row(static_cast<int>(first + i));
      if (jpeg_read_scanlines(&cinfo, rows, n) == 0) return false;
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

TFastBMP ReadJpegPicture(const std::string& fileName, const std::vector<uint8_t>& data,
                         UiCallbacks& callbacks) {
  jpeg_decompress_struct cinfo{};
  JpegErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegErrorExit;
  err.pub.emit_message = JpegEmitMessage;
  jpeg_create_decompress(&cinfo);
  JpegProgress progress;
  progress.pub.progress_monitor = JpegProgressMonitor;
  progress.callbacks = &callbacks;
  cinfo.progress = &progress.pub;
  cinfo.client_data = &progress;

  TFastBMP out;
  std::vector<uint8_t> cmykRow;
  bool ok = false;
  try {
    ok = DecodeJpeg(cinfo, err, progress, fileName, data, out, cmykRow);
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  jpeg_destroy_decompress(&cinfo);
  if (progress.failure) std::rethrow_exception(progress.failure);
  if (progress.tooManyScans) PictureError(fileName, "the JPEG data holds too many scans");
  if (!ok) PictureError(fileName, err.message);
  callbacks.Progress("Decoding JPEG picture", 100);
  return out;
}

}  // namespace glkov
