#include "core/scene/renderer.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/error.h"

namespace glkov {
namespace {

// A board without texels (freed, or not built, as the boards a transition does not show) is
// left without a texture; texels that do not fill the stated size are refused.
template <typename Board>
bool HasTexels(const Board& board, int bytesPerTexel, const std::string& what) {
  if (board.Texels.empty()) return false;
  const bool sizeOk = board.TexWidth > 0 && board.TexHeight > 0 && board.TexWidth <= 4096 &&
                      board.TexHeight <= 4096;
  if (!sizeOk || board.Texels.size() != static_cast<size_t>(board.TexWidth) *
                                            static_cast<size_t>(board.TexHeight) *
                                            static_cast<size_t>(bytesPerTexel)) {
    throw Error("The texture of " + what + " does not match its size " +
                std::to_string(board.TexWidth) + " x " + std::to_string(board.TexHeight) + ".");
  }
  return true;
}

void UploadTexture(unsigned name, int width, int height, GLenum format, const uint8_t* texels,
                   GLenum filter) {
  glBindTexture(GL_TEXTURE_2D, name);
  // Clamped: a board's edge must not blend in the texels of its opposite edge (a dotted seam
  // along the walls with linear filtering).
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format,
               GL_UNSIGNED_BYTE, texels);
  GLfloat anisotropy = 1;
  if (filter != GL_NEAREST) glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
  glGetError();  // a driver without the extension keeps isotropic filtering
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::max(anisotropy, 1.0f));
  glGetError();
  if (filter == GL_NEAREST) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    return;
  }
  // Linear filtering: boards seen at a slant or from afar take their texels from mip-maps,
  // sampled anisotropically as far as the driver goes.
  glGenerateMipmap(GL_TEXTURE_2D);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

void Vertex(double s, double t, double x, double y, double z) {
  glTexCoord2f(static_cast<float>(s), static_cast<float>(t));
  glVertex3f(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

}  // namespace

unsigned TextureFilterFor(int quality) { return quality == 1 ? GL_LINEAR : GL_NEAREST; }

std::optional<FrustumWindow> ProjectionValues(const TProject& project,
                                              const RenderSwitches& switches) {
  const double k = 10.0 * project.SceneScale * project.EyeDistance;
  if (!(k > 0) || !std::isfinite(k)) return std::nullopt;
  FrustumWindow w;
  if (switches.SeeVWClip) {
    w = {project.ViewLeft, project.ViewRight, project.ViewBottom, project.ViewTop};
  } else {
    w = {0, project.PicWidth - 1.0, 0, project.PicHeight - 1.0};
  }
  w.Left = (w.Left - project.VanishX) / k;
  w.Right = (w.Right - project.VanishX) / k;
  w.Bottom = (w.Bottom - project.VanishY) / k;
  w.Top = (w.Top - project.VanishY) / k;
  const bool finite = std::isfinite(w.Left) && std::isfinite(w.Right) && std::isfinite(w.Bottom) &&
                      std::isfinite(w.Top);
  if (!finite || !(w.Left < w.Right) || !(w.Bottom < w.Top)) return std::nullopt;
  return w;
}

void SceneRenderer::UploadScene(TProject& project, int quality) {
  for (size_t b = 0; b < project.Boards.size(); ++b) {
    HasTexels(project.Boards[b], 3, std::string("the ") + PlaneNames[b]);
  }
  for (const TfgObj& obj : project.fgObjs) HasTexels(obj, 4, "object \"" + obj.Name + "\"");
  ReleaseTextures();
  previewQuality_ = quality == 1 ? 1 : 0;
  // One name per call, boards first, then objects, as the scene lists them.
  for (TBoard& board : project.Boards) {
    glGenTextures(1, &board.TexName);
    names_.push_back(board.TexName);
  }
  for (TfgObj& obj : project.fgObjs) {
    glGenTextures(1, &obj.TexName);
    names_.push_back(obj.TexName);
  }
  UploadObjectTextures(project);
  UploadPlaneTextures(project);
}

bool SceneRenderer::SetQuality(TProject& project, int quality) {
  const int q = quality == 1 ? 1 : 0;
  if (q == previewQuality_) return false;
  previewQuality_ = q;
  UploadObjectTextures(project);
  UploadPlaneTextures(project);
  return true;
}

void SceneRenderer::UploadObjectTextures(TProject& project) const {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (TfgObj& obj : project.fgObjs) {
    obj.TexUploaded = false;
    if (!HasTexels(obj, 4, "object \"" + obj.Name + "\"")) continue;
    UploadTexture(obj.TexName, obj.TexWidth, obj.TexHeight, GL_RGBA, obj.Texels.data(),
                  TextureFilter());
    obj.TexUploaded = true;
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void SceneRenderer::UploadPlaneTextures(TProject& project) const {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (size_t b = 0; b < project.Boards.size(); ++b) {
    TBoard& board = project.Boards[b];
    board.TexUploaded = false;
    if (!HasTexels(board, 3, std::string("the ") + PlaneNames[b])) continue;
    UploadTexture(board.TexName, board.TexWidth, board.TexHeight, GL_RGB, board.Texels.data(),
                  TextureFilter());
    board.TexUploaded = true;
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void SceneRenderer::ReleaseTextures() {
  if (!names_.empty()) glDeleteTextures(static_cast<GLsizei>(names_.size()), names_.data());
  names_.clear();
}

void SceneRenderer::GLDraw(const TProject& project, const TCamera& camera,
                           const RenderSwitches& switches, int width, int height) const {
  glClearColor(0, 0, 0, 0);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_DEPTH_TEST);
  // The planes are opaque (alpha 1 throughout), so blending them would give the same pixels
  // at the cost of reading every one back; only the object boards blend.
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The whole frame, so that no edge row or column stays black.
  glViewport(0, 0, width, height);

  const std::optional<FrustumWindow> frustum = ProjectionValues(project, switches);
  if (!frustum) {
    glFlush();
    return;
  }
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(frustum->Left, frustum->Right, frustum->Bottom, frustum->Top, kFrustumNear,
            kFrustumFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const Vec3& p = camera.CamPos;
  const Vec3& d = camera.CamDir;
  const Vec3& u = camera.CamUp;
  gluLookAt(p.x, p.y, p.z, p.x + d.x, p.y + d.y, p.z + d.z, u.x, u.y, u.z);

  // White times the texel: the picture's own colours (negative texels are built as such).
  glColor4f(1, 1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

  if (project.TransitionMode) {
    const TBoard& b = project.Boards[0];
    glBindTexture(GL_TEXTURE_2D, b.TexName);
    glBegin(GL_QUADS);
    Vertex(0, 0, b.X[3], b.Y[3], 0);
    Vertex(1, 0, b.X[2], b.Y[2], 0);
    Vertex(1, 1, b.X[1], b.Y[1], 0);
    Vertex(0, 1, b.X[0], b.Y[0], 0);
    glEnd();
  } else {
    for (const TBoard& b : project.Boards) {
      glBindTexture(GL_TEXTURE_2D, b.TexName);
      glBegin(GL_QUADS);
      Vertex(0, 0, b.X[2], b.Y[2], b.Z[2]);
      Vertex(1, 0, b.X[1], b.Y[1], b.Z[1]);
      Vertex(1, 1, b.X[0], b.Y[0], b.Z[0]);
      Vertex(0, 1, b.X[3], b.Y[3], b.Z[3]);
      glEnd();
    }
    // The boards' cut-out outlines are smoothed by blending their filtered alpha. Alpha to
    // coverage was measured on the outline against supersampled frames and left off: on top of
    // blending it applies the transparency twice (mean error 10.0 -> 16.7), and in place of
    // blending its few coverage steps are closer only at one of three texture sizes (magnified
    // 5.2 -> 6.9, 2x minified 10.0 -> 9.2, 8x minified 9.8 -> 10.8).
    glEnable(GL_BLEND);
    const int count = project.fgObjCount();
    for (int i = 0; i < count; ++i) {
      const int k = project.fgObjs[i].DrawOrder;
      if (k < 0 || k >= count) continue;  // an order entry naming no object draws nothing
      const TfgObj& o = project.fgObjs[k];
      glBindTexture(GL_TEXTURE_2D, o.TexName);
      glBegin(GL_QUADS);
      Vertex(0, 0, o.X[0], o.Y[0], o.Z[0]);
      Vertex(1, 0, o.X[1], o.Y[1], o.Z[1]);
      Vertex(1, 1, o.X[2], o.Y[2], o.Z[2]);
      Vertex(0, 1, o.X[3], o.Y[3], o.Z[3]);
      glEnd();
    }
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);

  if (switches.UseVW && !switches.SeeVWClip) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, project.PicWidth - 1.0, 0, project.PicHeight - 1.0);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_LINE_LOOP);
    glVertex3f(static_cast<float>(project.ViewLeft), static_cast<float>(project.ViewTop), 1);
    glVertex3f(static_cast<float>(project.ViewRight), static_cast<float>(project.ViewTop), 1);
    glVertex3f(static_cast<float>(project.ViewRight), static_cast<float>(project.ViewBottom), 1);
    glVertex3f(static_cast<float>(project.ViewLeft), static_cast<float>(project.ViewBottom), 1);
    glEnd();
  }
  glFlush();
}

}  // namespace glkov
