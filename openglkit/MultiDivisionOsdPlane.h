#pragma once
// The on-screen-display overlay of the video wall: titles, PTZ icons, grid, drop
// highlight and the frame of the selected plane, painted into one view-sized canvas
// (OsdCanvas), uploaded into the OSD texture only when something on the shown page
// changed, and drawn as one full-view quad that blends that texture over the rendered
// video by its alpha. GL thread only; construct and destroy with the context current.

#include <memory>
#include <optional>
#include <string>

#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/Camera.h"
#include "openglkit/Gradient.h"
#include "openglkit/OpenGL.h"
#include "openglkit/Program.h"
#include "openglkit/RenderObject.h"
#include "openglkit/Rgba.h"
#include "openglkit/Texture.h"

namespace zelvo {

class OsdCanvas;

class MultiDivisionOsdPlane : public RenderObject {
 public:
  explicit MultiDivisionOsdPlane(int planeCount);
  virtual ~MultiDivisionOsdPlane();

  // False when the overlay program does not build. Gives every plane its title and
  // hidden PTZ icon and lays them out for selected plane 0 in one division.
  bool init(GLenum osdUnit, GLenum backgroundUnit, float width, float height);

  // Nothing when both equal the current layout; otherwise the OSD texture is cleared at
  // once (no stale overlay of another page shows) and the planes are laid out again.
  void setLayout(int selectedPlane, int divisions);
  // A new canvas of the new size; the texture and the layout follow at the next update.
  void reshape(float width, float height);
  void setSelectionGradient(const Gradient& gradient);

  void clearPlane(int plane, const Rgba& color);
  void clearPlaneWithGradient(int plane, const Gradient& gradient);
  // No title shows the plane's number plus one.
  void setTitle(int plane, std::optional<std::string> title);
  // The icon shows or goes at the plane's next redraw; these do not ask for one.
  void showPtzIcon(int plane);
  void hidePtzIcon(int plane);
  // False when the plane is not on the shown page or already highlighted.
  bool showHighlight(int plane);
  // True when some plane was highlighted.
  bool hideHighlight();

  // Redraws and uploads the canvas when needed; true every time (the screen renders at
  // every display refresh).
  bool update(float time) override;
  void render() override;

  int planeCount() const { return planeCount_; }
  int selectedPlane() const;
  int divisions() const;
  const Texture& osdTexture() const { return osdTexture_; }
  const OsdCanvas& canvas() const { return *canvas_; }

 private:
  void clearTexture();
  // Set by a layout change (CPU state only); the texture is cleared at the next update.
  bool textureClearPending_ = false;

  std::unique_ptr<Program> program_;
  ArrayVertexBuffer positionBuffer_;
  ArrayVertexBuffer osdTexCoordBuffer_;
  ArrayVertexBuffer backgroundTexCoordBuffer_;
  Texture osdTexture_;
  GLenum osdUnit_ = GL_TEXTURE5;
  std::unique_ptr<OsdCanvas> canvas_;  // the planes, the layout and the canvas image
  GLenum backgroundUnit_ = GL_TEXTURE4;
  int planeCount_;
  Camera camera_;
};

}  // namespace zelvo
