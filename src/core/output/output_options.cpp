#include "core/output/output_options.h"

#include <algorithm>
#include <charconv>

#include "core/error.h"
#include "core/output/frame_dib.h"
#include "core/util/text_format.h"

namespace glkov {

int ColorCountOfItem(int item) {
  switch (item) {
    case 0:
      return 16;
    case 1:
      return 256;
    case 2:
      return 65536;
    default:
      throw Error("Invalid colour depth item " + std::to_string(item));
  }
}

double SmoothnessOf(const TOutputOptions& options) { return options.Smoothness / 10.0; }

double EyeSeparationValue(const TOutputOptions& options) {
  const auto v = ParseDouble(TrimLeadingBlanks(options.EyeSeparation));
  if (!v) throw Error("'" + options.EyeSeparation + "' is not a valid floating point value");
  return *v;
}

int StreamRate(double fps, double master, int divisor) {
  return RoundHalfEven(fps * master / divisor);
}

std::vector<std::string> ExportInfoLines(const ExportInfoInput& in) {
  // A path of fewer than two keys has no length (rather than a negative one), and a rate of 0
  // none at all (rather than a division by zero).
  // The same rounding as the export: frames per key Round(K x M / d), rate Round(F x M / d).
  const int divisor = in.Preview ? 4 : 1;
  const int segments = std::max(0, in.KeyFrameCount - 1);
  const int perKey = std::max(0, RoundHalfEven(in.FramesPerKey * in.Master / divisor));
  const int rate = StreamRate(in.FramesPerSecond, in.Master, divisor);
  const int64_t frames = segments > 0 ? static_cast<int64_t>(segments) * perKey + 1 : 0;
  const double seconds = rate > 0 ? static_cast<double>(segments) * perKey / rate : 0.0;
  int bits = 24;
  try {
    bits = FrameBitCount(in.ColorCount);
  } catch (const Error&) {
  }
  const double megabytes = bits / 8.0 * std::max(0, in.Width) * std::max(0, in.Height) *
                           static_cast<double>(frames) / 1024 / 1024;
  char length[64];
  const auto end =
      std::to_chars(length, length + sizeof(length), seconds, std::chars_format::fixed, 4).ptr;
  return {
      "Data Size =" + std::to_string(RoundHalfEven64(megabytes)) + "MB",
      "Movie Length =" + std::string(length, end) + " Seconds",
      "Frame per Second =" + std::to_string(rate),
      "No of Key Frames =" + std::to_string(in.KeyFrameCount),
      "Color Depth = " + std::to_string(bits == 24 ? 16777216 : in.ColorCount) + " colors" +
          (bits == 24 ? " (True Color)" : ""),
  };
}

}  // namespace glkov
