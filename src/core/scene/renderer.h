#pragma once

// The OpenGL 1.1 drawing of a made scene: texture upload and one frame. It draws into whatever
// context is current (the off-screen target, or the desktop program's GL widget), so every call
// here needs a current compatibility-profile context.

#include <optional>
#include <vector>

#include "core/model/project.h"
#include "core/model/types.h"

namespace glkov {

// GL_NEAREST for quality 0 ("Low"), GL_LINEAR for 1 ("High").
unsigned TextureFilterFor(int quality);

// The glFrustum window at the near plane 0.1: a picture coordinate x maps to
// (x - VanishX) / k and y to (y - VanishY) / k with k = 10 * SceneScale * EyeDistance.
struct FrustumWindow {
  double Left = 0;
  double Right = 0;
  double Bottom = 0;
  double Top = 0;
};
inline constexpr double kFrustumNear = 0.1;
inline constexpr double kFrustumFar = 100.0;

// The frustum of a frame: the viewing window's when switches.SeeVWClip, else the whole picture
// (x from 0 to PicWidth - 1, y from 0 to PicHeight - 1). Empty when the window is degenerate
// (no area, or SceneScale * EyeDistance not a positive finite number).
std::optional<FrustumWindow> ProjectionValues(const TProject& project,
                                              const RenderSwitches& switches);

// Draws the scene of one project into the current context. One instance per context: it
// remembers the texture names it generated there and the texture filter in use.
class SceneRenderer {
 public:
  // Generates one texture name for each of the five boards, then one for each object, into
  // TexName (deleting the names of this renderer's previous upload), and uploads every texture
  // with the filter of `quality`. Call once per made scene. A board or object without texels
  // (a transition shows board 0 only) gets a name but no texture. Throws glkov::Error when
  // texels do not fill their texture size.
  void UploadScene(TProject& project, int quality);

  // Changes the preview quality: with a different quality than the current one, re-uploads
  // every texture with the new filter and returns true; the same quality changes nothing.
  bool SetQuality(TProject& project, int quality);

  // (Re)loads every object texture, respectively the five plane textures, into the current
  // context under their TexName with the current filter; sets TexUploaded.
  void UploadObjectTextures(TProject& project) const;
  void UploadPlaneTextures(TProject& project) const;

  // Deletes the texture names this renderer generated (the context must be current).
  void ReleaseTextures();

  // Draws one complete frame of width x height pixels into the current draw framebuffer: the
  // five planes in board order, then the object boards far to near with alpha blending (or the
  // single flat board in TransitionMode), and the viewing-window outline when switches.UseVW and
  // not switches.SeeVWClip. A degenerate frustum gives a black frame.
  void GLDraw(const TProject& project, const TCamera& camera, const RenderSwitches& switches,
              int width, int height) const;

  int PreviewQuality() const { return previewQuality_; }
  unsigned TextureFilter() const { return TextureFilterFor(previewQuality_); }

 private:
  std::vector<unsigned> names_;
  int previewQuality_ = 0;
};

}  // namespace glkov
