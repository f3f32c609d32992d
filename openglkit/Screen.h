#pragma once
// The whole drawable of the video wall: the video planes render into an off-screen
// texture, which the on-screen-display overlay then draws to the host's framebuffer with
// titles, icons, frames and highlights blended over it. The owner drives renderIfNeeded
// from its refresh tick and changes the scene through the forwarders below; each of them
// ends by telling the owner (screenUpdated) unless its comment says otherwise.
// No lock of its own: the owner serialises every call with its context lock. The
// forwarders that change state (layout, colours, titles, clears, highlights, sizes) are
// CPU work only, so any thread holding that lock may call them; GL work waits for the
// next update. init, update, render, setVideoFrame and the images need the context
// current: the GL thread only.
//
// Texture units: 0, 1, 2 the planes' Y, U, V; 3 the snapshot texture; 4 the rendered
// video (the overlay's background); 5 the overlay's OSD texture.

#include <cstdint>
#include <optional>
#include <string>

#include "openglkit/CameraConfiguration.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/Gradient.h"
#include "openglkit/MultiDivisionOsdPlane.h"
#include "openglkit/MultiDivisionPlane.h"
#include "openglkit/OpenGL.h"
#include "openglkit/RenderObject.h"
#include "openglkit/RgbaImage.h"
#include "openglkit/Rgba.h"
#include "openglkit/ScreenDelegate.h"
#include "openglkit/Texture.h"

namespace zelvo {

class Screen final : public RenderObject {
 public:
  // Divisions per side of the largest layout.
  static constexpr int LayoutMax = 8;

  // 1 to LayoutMax x LayoutMax planes. A GL context must be current, for the destructor too.
  Screen(int planes, ScreenDelegate* owner);
  ~Screen();

  // GL set-up at the view's size in device pixels; false when a program does not build.
  bool init(float width, float height);
  bool update(float time) override;
  void render() override;
  // Renders when update asks for it, which the overlay does at every call.
  void renderIfNeeded(float time);

  void setLayout(int selectedPlane, int divisions);
  void setKeepAspectRatio(bool keep);
  // The fill of the selected plane's frame.
  void setSelectionGradient(const Gradient& gradient);
  // One decoded 4:2:0 picture for a plane (see MultiDivisionPlane::updateVideoTexture).
  // y is height lines of lineSize bytes (lineSize >= width; the columns past width are
  // cropped). u and v have no line size of their own: each must be at least height / 2
  // lines of exactly lineSize / 2 bytes, one right after another, which is what
  // DecodedVideoFrame guarantees. Chroma of any other stride comes out sheared, and a
  // shorter plane is read past its end. The planes are copied before this returns.
  void setVideoFrame(int plane, int width, int height, int lineSize, const uint8_t* y, float xScale, float yScale,
                     const uint8_t* u, const uint8_t* v);
  // Nothing at all (no notification) when the size is the current one.
  void reshape(float width, float height);
  void clearPlaneOsd(int plane, const Rgba& color);
  void clearPlaneWithGradient(int plane, const Gradient& gradient);
  // Black video and a clear overlay.
  void clearPlane(int plane);
  // Every plane as clearPlane, then one notification.
  void clearAllPlanes();
  // No notification.
  int planeCount() const { return video_.planeCount(); }
  void setTitle(int plane, std::optional<std::string> title);
  void showPtzIcon(int plane);
  void hidePtzIcon(int plane);
  // Both notify only when they return true.
  bool showHighlight(int plane);
  bool hideHighlight();
  void setCameraConfiguration(int plane, const CameraConfiguration& configuration);

  // The getters and images below do not notify.
  CameraConfiguration getCameraConfiguration(int plane) const;
  // None when the plane is not on the shown page. asShown: the plane's tile cut from the
  // rendered video; otherwise the plane rendered off screen at its picture's own size.
  std::optional<RgbaImage> imageOfPlane(int plane, bool asShown);
  // None when the plane is not on the shown page; else a black image of its tile's size.
  std::optional<RgbaImage> dragImageOfPlane(int plane);
  RgbaImage snapshotOfPlane(int plane);
  void attachRenderTarget();

  const MultiDivisionPlane& video() const { return video_; }
  const MultiDivisionOsdPlane& osd() const { return osd_; }
  const Texture& renderTarget() const { return renderTarget_; }
  float viewWidth() const { return viewWidth_; }
  float viewHeight() const { return viewHeight_; }

 private:
  void setupRenderTarget(int width, int height);
  RgbaImage tileImageOfPlane(int plane, bool black);
  void notify();

  ScreenDelegate* owner_;
  MultiDivisionPlane video_;
  MultiDivisionOsdPlane osd_;
  Texture renderTarget_;
  FrameBuffer frameBuffer_;
  GLenum renderTargetUnit_ = GL_TEXTURE4;
  float viewWidth_ = 0;
  float viewHeight_ = 0;
};

}  // namespace zelvo
