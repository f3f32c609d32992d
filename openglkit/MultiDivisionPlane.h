#pragma once
// The video layer of the wall: a fixed number of planes laid out d x d per page, with
// one camera that frames exactly the page holding the selected plane. Pages behind
// stay in the scene, beyond the far plane, so a new layout or page only moves tiles and
// the camera; only the shown page is drawn. Also renders single tiles off screen for snapshots.
// GL thread only; construct and destroy with the context current.

#include <memory>

#include "openglkit/ArrayVertexBuffer.h"
#include "openglkit/Camera.h"
#include "openglkit/CameraConfiguration.h"
#include "openglkit/Matrix.h"
#include "openglkit/OpenGL.h"
#include "openglkit/Plane.h"
#include "openglkit/PlanePosition.h"
#include "openglkit/PlaneSnapshotUtil.h"
#include "openglkit/Program.h"
#include "openglkit/RenderObject.h"
#include "openglkit/RgbaImage.h"

namespace zelvo {

class FrameBuffer;

class MultiDivisionPlane : public RenderObject {
 public:
  // The largest number of divisions per side of a layout.
  static constexpr int maximumDivisions = 8;

  explicit MultiDivisionPlane(int planeCount);
  ~MultiDivisionPlane() override;

  // False when the video program does not build; the wall must not be used then.
  bool init(GLenum unitY, GLenum unitU, GLenum unitV, GLenum snapshotUnit, float width, float height);
  bool loadProgram();
  void setYuvToRgb();

  int planeCount() const { return planeCount_; }
  // Places every plane for divisions d (1 to 8) and frames the page of selected.
  void setLayout(int selected, int divisions);
  void setPlanePosition(int plane, int divisions, int page);
  void setViewSize(float width, float height);
  void setKeepAspectRatio(bool keep);

  void updateVideoTexture(int plane, int width, int height, int lineSize, const uint8_t* y, float xScale,
                          float yScale, const uint8_t* u, const uint8_t* v);
  // The fill is applied on the GL thread at the next update (or snapshot), unless a
  // picture comes first: the clear is CPU state only, as a state change must be.
  void clearPlane(int plane, int red, int green, int blue);
  void clearAllPlanes(int red, int green, int blue);
  bool isFront(int plane) const;
  PlanePosition planePosition(int plane) const;
  RgbaImage snapshot(int plane);
  void setConfiguration(int plane, const CameraConfiguration& configuration);
  CameraConfiguration getConfiguration(int plane) const;

  bool update(float time) override;
  // Into the bound target, which the caller has cleared to opaque black.
  void render() override;
  // Draws one plane alone into target at the picture's size; leaves target bound and
  // the viewport at that size.
  void renderPlaneOffscreen(int plane, FrameBuffer& target);

  const Plane& plane(int plane) const;
  const Camera& camera() const { return camera_; }
  const Matrix& yuvToRgb() const { return yuvToRgb_; }
  Program* program() const { return program_.get(); }
  Program* neutralProgram() const { return neutralProgram_.get(); }

 private:
  void setupBuffers();
  void applyPendingFills();
  void frameDivisions(int divisions);
  static void framePlane(Camera& camera, const Plane& plane);
  void setupDraw(const Camera& camera, Program& program);

  std::unique_ptr<Program> program_;
  // The conversion alone, for the planes at neutral settings (most of them, most of the time).
  std::unique_ptr<Program> neutralProgram_;
  ArrayVertexBuffer positionBuffer_;
  ArrayVertexBuffer texCoordBuffer_;
  int planeCount_;
  std::unique_ptr<Plane[]> planes_;
  // A fill asked for and not yet written into the plane's textures.
  struct Fill {
    bool pending = false;
    int red = 0, green = 0, blue = 0;
  };
  std::unique_ptr<Fill[]> fills_;
  Camera camera_;
  Matrix yuvToRgb_;
  PlaneSnapshotUtil snapshotUtil_;
};

}  // namespace zelvo
