#pragma once

#include <string>
#include <vector>

namespace glkov {

// The output options (advanced options and the export window's switches) with their defaults.
struct TOutputOptions {
  // Advanced options.
  int ColorDepthItem = 2;            // 0: 16 colours, 1: 256 colours, 2: true colour (24-bit)
  bool MotionBlur = false;           // kept, has no effect on the output
  int AccumulatedFrames = 9;         // 1 to 20, kept, has no effect on the output
  bool Stereograph = false;          // stereo frames: red/blue anaglyph, or see StereoSideBySide
  bool StereoSideBySide = false;     // with Stereograph: the left and the right eye's frames next
                                     // to each other (a movie twice as wide)
  std::string EyeSeparation = "10";  // picture pixels, as typed
  int Smoothness = 0;                // camera path smoothness slider, 0 (curved) to 10 (zig-zag)
  // The export window.
  bool GenMultiRegion = true;  // generate and connect all scenes
  bool Preview = false;        // quarter frame count and frame rate
  bool LoadPlayer = true;      // load the player after generating
  int Width = 320;             // movie size in pixels
  int Height = 240;
  std::string Codec;  // encoder name; empty: uncompressed frames
  int Crf = -1;       // constant rate factor of MP4/MKV (H.264) and WebM; -1: the format's default
  int Samples = 4;    // anti-aliasing: samples per pixel, 1, 2, 4 or 8
};

// Colour count of a ColorDepthGroup item: 0 -> 16, 1 -> 256, 2 -> 65536 (written as 24 bits).
// Throws glkov::Error for any other item.
int ColorCountOfItem(int item);

// The smoothness P = slider position / 10 for the camera interpolation.
double SmoothnessOf(const TOutputOptions& options);

// The eye separation text as a number. Throws glkov::Error "'TEXT' is not a valid floating
// point value" when it is not one.
double EyeSeparationValue(const TOutputOptions& options);

// The stream rate Round(fps x master / divisor), halves to even.
int StreamRate(double fps, double master, int divisor);

// What the export window shows about the movie to come.
struct ExportInfoInput {
  int KeyFrameCount = 0;    // of the current camera path
  int FramesPerKey = 0;     // K
  int FramesPerSecond = 0;  // F
  double Master = 1.0;      // M
  int ColorCount = 65536;
  int Width = 320;
  int Height = 240;
  bool Preview = false;  // a quarter of the frames at a quarter of the rate
};

// The information lines of the export window about the movie the export writes: "Data Size ="
// (bits per pixel / 8 x width x height x frames, in MB), "Movie Length =" (the frames between
// the first and the last key at the movie's rate, in seconds with four decimals), "Frame per
// Second =" (the movie's rate), "No of Key Frames =", "Color Depth = " (true colour as
// 16777216 colours).
std::vector<std::string> ExportInfoLines(const ExportInfoInput& input);

}  // namespace glkov
