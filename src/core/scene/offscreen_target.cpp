#include "core/scene/offscreen_target.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#ifdef GLKOV_HAVE_OSMESA
#include <GL/osmesa.h>
#endif

#include "core/error.h"
#include "core/scene/depth_picture.h"
#include "core/scene/renderer.h"
#include "core/ui_callbacks.h"

namespace glkov {
namespace {

enum class Backend { EglSurfaceless, EglDevice, EglDefault, OSMesa };

const char* BackendText(Backend b) {
  switch (b) {
    case Backend::EglSurfaceless:
      return "EGL surfaceless";
    case Backend::EglDevice:
      return "EGL device";
    case Backend::EglDefault:
      return "EGL default display";
    case Backend::OSMesa:
      return "OSMesa";
  }
  return "";
}

// An initialised EGL display of one platform, kept for the life of the process: eglTerminate
// would end every context on it, also those of other targets.
EGLDisplay InitialisedDisplay(Backend backend) {
  EGLDisplay display = EGL_NO_DISPLAY;
  if (backend == Backend::EglSurfaceless) {
    display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  } else if (backend == Backend::EglDevice) {
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    EGLDeviceEXT device = nullptr;
    EGLint count = 0;
    if (queryDevices != nullptr && queryDevices(1, &device, &count) == EGL_TRUE && count > 0) {
      display = eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
    }
  } else {
    display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  }
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  if (eglInitialize(display, &major, &minor) != EGL_TRUE) return EGL_NO_DISPLAY;
  return display;
}

struct EglContext {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
};

// A compatibility-profile desktop GL context on the display, current with no surface.
bool CreateEglContext(Backend backend, EglContext& out, std::string& why) {
  EGLDisplay display = InitialisedDisplay(backend);
  if (display == EGL_NO_DISPLAY) {
    why = "no display";
    return false;
  }
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    why = "no desktop OpenGL";
    return false;
  }
  const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                  EGL_PBUFFER_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (eglChooseConfig(display, configAttribs, &config, 1, &count) != EGL_TRUE || count < 1) {
    config = nullptr;  // EGL_KHR_no_config_context: the framebuffer object is the target anyway
  }
  const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                  EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, compatibility);
  if (context == EGL_NO_CONTEXT) {
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  }
  if (context == EGL_NO_CONTEXT) {
    why = "no context";
    return false;
  }
  if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) != EGL_TRUE) {
    eglDestroyContext(display, context);
    why = "cannot make the context current";
    return false;
  }
  out.display = display;
  out.context = context;
  return true;
}

// Fixed-function calls need a compatibility context (or a pre-3.1 one).
bool HasFixedFunction() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version == nullptr) return false;
  if (std::atoi(version) < 3) return true;
  GLint mask = 0;
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
  return (mask & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) != 0 || glGetError() != GL_NO_ERROR;
}

}  // namespace

struct OffscreenTarget::Impl {
  Backend backend = Backend::EglSurfaceless;
  EglContext egl;
#ifdef GLKOV_HAVE_OSMESA
  OSMesaContext osmesa = nullptr;
  std::vector<uint8_t>
      osmesaBuffer;  // OSMesa needs a buffer to be current; drawing goes to the FBO
#endif
  GLuint fbo = 0;
  GLuint colour = 0;
  GLuint depth = 0;
  // The multisampled framebuffer drawn into when samples > 1, resolved into fbo for reading.
  GLuint msFbo = 0;
  GLuint msColour = 0;
  GLuint msDepth = 0;
  int samples = 1;
  int width = 0;
  int height = 0;

  GLuint DrawFbo() const { return samples > 1 ? msFbo : fbo; }

  // Copies the multisampled drawing (its colours, or its depth) into the single-sampled
  // framebuffer.
  void Resolve(GLbitfield what = GL_COLOR_BUFFER_BIT) {
    if (samples <= 1) return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, msFbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, what, GL_NEAREST);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, msFbo);
  }

  bool TryBackend(Backend b, std::string& why) {
    backend = b;
    if (b == Backend::OSMesa) {
#ifdef GLKOV_HAVE_OSMESA
      const int attribs[] = {OSMESA_FORMAT,
                             OSMESA_RGBA,
                             OSMESA_DEPTH_BITS,
                             0,
                             OSMESA_STENCIL_BITS,
                             0,
                             OSMESA_PROFILE,
                             OSMESA_COMPAT_PROFILE,
                             0};
      osmesa = OSMesaCreateContextAttribs(attribs, nullptr);
      if (osmesa == nullptr) {
        why = "no context";
        return false;
      }
      osmesaBuffer.assign(4 * 16 * 16, 0);
      if (OSMesaMakeCurrent(osmesa, osmesaBuffer.data(), GL_UNSIGNED_BYTE, 16, 16) != GL_TRUE) {
        OSMesaDestroyContext(osmesa);
        osmesa = nullptr;
        why = "cannot make the context current";
        return false;
      }
      return true;
#else
      why = "not built in";
      return false;
#endif
    }
    return CreateEglContext(b, egl, why);
  }

  void MakeContextCurrent() {
#ifdef GLKOV_HAVE_OSMESA
    if (osmesa != nullptr) {
      OSMesaMakeCurrent(osmesa, osmesaBuffer.data(), GL_UNSIGNED_BYTE, 16, 16);
      return;
    }
#endif
    eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl.context);
  }

  void DestroyContext() {
#ifdef GLKOV_HAVE_OSMESA
    if (osmesa != nullptr) {
      OSMesaDestroyContext(osmesa);
      osmesa = nullptr;
    }
#endif
    if (egl.context != EGL_NO_CONTEXT) {
      eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
      eglDestroyContext(egl.display, egl.context);
      egl.context = EGL_NO_CONTEXT;
    }
  }

  void DeleteFramebuffer() {
    if (fbo != 0) glDeleteFramebuffers(1, &fbo);
    if (colour != 0) glDeleteRenderbuffers(1, &colour);
    if (depth != 0) glDeleteRenderbuffers(1, &depth);
    fbo = colour = depth = 0;
    if (msFbo != 0) glDeleteFramebuffers(1, &msFbo);
    if (msColour != 0) glDeleteRenderbuffers(1, &msColour);
    if (msDepth != 0) glDeleteRenderbuffers(1, &msDepth);
    msFbo = msColour = msDepth = 0;
  }

  void CreateFramebuffer(int w, int h) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    GLint maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    if (w > maxSize || h > maxSize || w > maxViewport[0] || h > maxViewport[1]) {
      throw Error("Cannot render a frame of " + std::to_string(w) + " x " + std::to_string(h) +
                  " pixels: this OpenGL allows at most " + std::to_string(maxSize) +
                  " pixels a side.");
    }
    DeleteFramebuffer();
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE && samples > 1) {
      glGenFramebuffers(1, &msFbo);
      glGenRenderbuffers(1, &msColour);
      glGenRenderbuffers(1, &msDepth);
      glBindRenderbuffer(GL_RENDERBUFFER, msColour);
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, w, h);
      glBindRenderbuffer(GL_RENDERBUFFER, msDepth);
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, w, h);
      glBindFramebuffer(GL_FRAMEBUFFER, msFbo);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, msColour);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, msDepth);
      status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    }
    if (status != GL_FRAMEBUFFER_COMPLETE || glGetError() != GL_NO_ERROR) {
      DeleteFramebuffer();
      throw Error("Cannot create an off-screen frame of " + std::to_string(w) + " x " +
                  std::to_string(h) + " pixels.");
    }
    width = w;
    height = h;
    glViewport(0, 0, w, h);
  }

  // Reads the frame as four-byte pixels (the renderbuffer's own layout, which Mesa copies
  // without conversion) and packs them into the picture's rows, top-down or bottom-up.
  void ReadPixels(TFastBMP& frame, bool topDown) {
    if (frame.Width() != width || frame.Height() != height) frame.SetSize(width, height);
    Resolve();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    const size_t rowPixels = static_cast<size_t>(width);
    // In bands, so that the four-byte copy stays small beside the frame.
    constexpr int kBand = 64;
    scratch.resize(4 * rowPixels * static_cast<size_t>(std::min(height, kBand)));
    for (int band = 0; band < height; band += kBand) {
      const int rows = std::min(kBand, height - band);
      glReadPixels(0, band, width, rows, GL_BGRA, GL_UNSIGNED_BYTE, scratch.data());
      for (int r = 0; r < rows; ++r) {
        const int y = band + r;
        const uint8_t* from = scratch.data() + 4 * rowPixels * static_cast<size_t>(r);
        uint8_t* to = frame.Row(topDown ? height - 1 - y : y);
        for (size_t x = 0; x < rowPixels; ++x, from += 4, to += 3) {
          to[0] = from[0];
          to[1] = from[1];
          to[2] = from[2];
        }
      }
    }
  }

  std::vector<uint8_t> scratch;  // a band of the frame as GL returned it
};

OffscreenTarget::OffscreenTarget(int width, int height, int samples)
    : impl_(std::make_unique<Impl>()) {
  if (width <= 0 || height <= 0) {
    throw Error("Cannot render a frame of " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels.");
  }
  std::vector<std::pair<Backend, const char*>> order = {
      {Backend::EglSurfaceless, "egl-surfaceless"},
      {Backend::EglDevice, "egl-device"},
      {Backend::EglDefault, "egl-default"},
      {Backend::OSMesa, "osmesa"}};
  if (const char* forced = std::getenv("GLKOV_GL_BACKEND"); forced != nullptr && *forced) {
    std::erase_if(order, [&](const auto& entry) { return std::strcmp(entry.second, forced) != 0; });
    if (order.empty()) {
      throw Error(std::string("Unknown OpenGL back end \"") + forced +
                  "\" (GLKOV_GL_BACKEND: egl-surfaceless, egl-device, egl-default, osmesa).");
    }
  }
  std::string tried;
  for (const auto& [backend, name] : order) {
    std::string why;
    if (impl_->TryBackend(backend, why)) {
      if (HasFixedFunction()) {
        GLint maxSamples = 1;
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        impl_->samples = std::clamp(samples, 1, std::max(1, static_cast<int>(maxSamples)));
        impl_->CreateFramebuffer(width, height);
        return;
      }
      why = glGetString(GL_VERSION) == nullptr
                ? "its context is not reached through the GL library this program calls"
                : "no compatibility profile";
      impl_->DestroyContext();
    }
    tried += std::string(tried.empty() ? "" : ", ") + BackendText(backend) + ": " + why;
  }
  throw Error("Cannot create an off-screen OpenGL context (" + tried + ").");
}

OffscreenTarget::~OffscreenTarget() {
  impl_->MakeContextCurrent();
  impl_->DeleteFramebuffer();
  impl_->DestroyContext();
}

void OffscreenTarget::MakeCurrent() {
  impl_->MakeContextCurrent();
  glBindFramebuffer(GL_FRAMEBUFFER, impl_->DrawFbo());
}

void OffscreenTarget::Resize(int width, int height) {
  if (width <= 0 || height <= 0) {
    throw Error("Cannot render a frame of " + std::to_string(width) + " x " +
                std::to_string(height) + " pixels.");
  }
  if (width == impl_->width && height == impl_->height) return;
  MakeCurrent();
  impl_->CreateFramebuffer(width, height);
}

int OffscreenTarget::Width() const { return impl_->width; }
int OffscreenTarget::Height() const { return impl_->height; }

int OffscreenTarget::Samples() const { return impl_->samples; }

void OffscreenTarget::ReadDepthBottomUp(std::vector<float>& depth) {
  Impl& m = *impl_;
  m.Resolve(GL_DEPTH_BUFFER_BIT);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, m.fbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  depth.resize(static_cast<size_t>(m.width) * static_cast<size_t>(m.height));
  glReadPixels(0, 0, m.width, m.height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, m.DrawFbo());
}
std::string OffscreenTarget::BackendName() const { return BackendText(impl_->backend); }

void OffscreenTarget::ReadFrameBottomUp(TFastBMP& frame) { impl_->ReadPixels(frame, false); }

void OffscreenTarget::ReadFrame(TFastBMP& frame) { impl_->ReadPixels(frame, true); }

bool RedrawScene(OffscreenTarget& target, const SceneRenderer& renderer, const TProject& project,
                 const TCamera& camera, const RenderSwitches& switches, TFastBMP& frame,
                 bool bottomUp) {
  if (!project.SceneMade) return false;
  target.MakeCurrent();
  renderer.GLDraw(project, camera, switches, target.Width(), target.Height());
  if (bottomUp) {
    target.ReadFrameBottomUp(frame);
  } else {
    target.ReadFrame(frame);
  }
  return true;
}

TFastBMP RenderFrame(TProject& project, const TCamera& camera, const RenderFrameOptions& options,
                     std::vector<uint16_t>* depth) {
  if (!project.SceneMade) throw Error("No 3D scene has been made.");
  if (!ProjectionValues(project, options.Switches)) {
    throw Error(options.Switches.SeeVWClip ? "Cannot render: the viewing window is empty."
                                           : "Cannot render: the scene has no valid projection.");
  }
  const int width = options.Width > 0 ? options.Width : project.PicWidth;
  const int height = options.Height > 0 ? options.Height : project.PicHeight;
  OffscreenTarget target(width, height, options.Samples);
  if (options.Callbacks && target.Samples() < options.Samples) {
    options.Callbacks->Warning(std::to_string(options.Samples) +
                               " samples per pixel are more than this OpenGL allows: " +
                               std::to_string(target.Samples()) + " are used.");
  }
  SceneRenderer renderer;
  renderer.UploadScene(project, options.Switches.Quality);
  renderer.GLDraw(project, camera, options.Switches, width, height);
  TFastBMP frame;
  target.ReadFrame(frame);
  if (depth) {
    std::vector<float> buffer;
    target.ReadDepthBottomUp(buffer);
    *depth = DepthPicture(buffer, width, height);
  }
  renderer.ReleaseTextures();
  return frame;
}

}  // namespace glkov
