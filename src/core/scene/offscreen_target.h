#pragma once

// An OpenGL context with a framebuffer object that needs no display server: EGL on the Mesa
// surfaceless platform, falling back to an EGL device, the default EGL display and OSMesa.
// Make one per export (or per one-off render) and draw every frame into it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/model/project.h"
#include "core/model/types.h"

namespace glkov {

class OffscreenTarget {
 public:
  // Creates a compatibility-profile context and an RGBA8 + depth framebuffer of width x height
  // pixels and makes it current. With samples above 1 the drawing goes to a multisampled
  // framebuffer that is resolved before every read-back (smoothed edges); a count above the
  // driver's maximum takes the maximum (see Samples()). The environment variable
  // GLKOV_GL_BACKEND ("egl-surfaceless", "egl-device", "egl-default", "osmesa") forces one back
  // end. Throws glkov::Error when the size is not positive or too large, or when no context can
  // be made.
  OffscreenTarget(int width, int height, int samples = 1);
  ~OffscreenTarget();
  OffscreenTarget(const OffscreenTarget&) = delete;
  OffscreenTarget& operator=(const OffscreenTarget&) = delete;

  // Makes this target's context and framebuffer current again (after another context was).
  void MakeCurrent();

  // New framebuffer size; the context and its textures stay. Throws like the constructor.
  void Resize(int width, int height);

  int Width() const;
  int Height() const;
  // Samples per pixel of the drawing: 1, or what was asked for up to the driver's maximum.
  int Samples() const;

  // "EGL surfaceless", "EGL device", "EGL default display" or "OSMesa".
  std::string BackendName() const;

  // Waits for the drawing to finish and reads the frame into `frame` (resized to the target),
  // top row first as TFastBMP keeps it.
  void ReadFrame(TFastBMP& frame);

  // The same without turning the rows: row 0 of `frame` is the bottom row of the picture (what
  // glReadPixels gives; a writer that takes bottom-up rows saves a copy).
  void ReadFrameBottomUp(TFastBMP& frame);

  // The depth buffer of the last drawing, width x height values 0 (near plane) to 1 (far plane
  // or nothing drawn), the bottom row first.
  void ReadDepthBottomUp(std::vector<float>& depth);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class SceneRenderer;
class UiCallbacks;

// One frame into the off-screen target (what the export asks for every frame): when the scene is
// made, makes the target current, draws the scene at the target's size and reads the frame back
// (top row first, or bottom row first with bottomUp). Returns false, leaving the frame as it
// was, when no scene is made.
bool RedrawScene(OffscreenTarget& target, const SceneRenderer& renderer, const TProject& project,
                 const TCamera& camera, const RenderSwitches& switches, TFastBMP& frame,
                 bool bottomUp = false);

// A one-off frame: size 0 takes the picture's size (PicWidth x PicHeight).
struct RenderFrameOptions {
  int Width = 0;
  int Height = 0;
  int Samples = 1;  // per pixel (see OffscreenTarget)
  // Told when fewer samples than asked for are used (the driver's maximum); may be null.
  UiCallbacks* Callbacks = nullptr;
  RenderSwitches
      Switches;  // Quality, UseVW, SeeVWClip ("Negative Output" acts when texels are built)
};

// Renders one frame of a project whose scene is made, seen from `camera`, in a fresh off-screen
// target (texture names are written into the project's boards and objects). Throws glkov::Error
// when no scene is made, the frustum is degenerate or no context can be made.
// With depth given, the frame's depth picture goes there too (see DepthPicture).
TFastBMP RenderFrame(TProject& project, const TCamera& camera,
                     const RenderFrameOptions& options = {},
                     std::vector<uint16_t>* depth = nullptr);

}  // namespace glkov
