#include "openglkit/MultiDivisionPlane.h"

#include "Foundation/Assert.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/ShaderSources.h"

namespace zelvo {

MultiDivisionPlane::MultiDivisionPlane(int planeCount) : planeCount_(planeCount) {
  ZELVO_PRECONDITION(0 <= planeCount);
  planes_ = std::make_unique<Plane[]>(static_cast<size_t>(planeCount));
  fills_ = std::make_unique<Fill[]>(static_cast<size_t>(planeCount));
}

MultiDivisionPlane::~MultiDivisionPlane() {
  // Planes first, then the snapshot objects, then the buffers.
  planes_.reset();
}

bool MultiDivisionPlane::loadProgram() {
  program_ = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  neutralProgram_ = Program::create(videoVertexShaderSource, videoNeutralFragmentShaderSource);
  return program_ != nullptr && neutralProgram_ != nullptr;
}

void MultiDivisionPlane::setYuvToRgb() {
  // BT.601 from (Y, Cb - 0.5, Cr - 0.5), after the levels that map luma y to
  // 1.1643 (y - 1/16) and centre the chroma.
  const float conversion[16] = {1, 1, 1, 0, 0, -0.39173f, 2.017f, 0, 1.5958f, -0.8129f, 0, 0, 0, 0, 0, 1};
  const float levels[16] = {1.1643f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -0.07276875f, -0.5f, -0.5f, 1};
  yuvToRgb_ = Matrix(conversion) * Matrix(levels);
}

bool MultiDivisionPlane::init(GLenum unitY, GLenum unitU, GLenum unitV, GLenum snapshotUnit, float width,
                              float height) {
  if (!loadProgram()) return false;
  setupBuffers();
  for (int i = 0; i < planeCount_; ++i)
    planes_[i].init(program_.get(), &positionBuffer_, &texCoordBuffer_, i * Plane::positionBytes,
                    i * Plane::texCoordBytes, unitY, unitU, unitV);
  setLayout(0, 1);
  setViewSize(width, height);
  setYuvToRgb();
  camera_.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, 10);
  frameDivisions(1);
  snapshotUtil_.init(snapshotUnit);
  return true;
}

void MultiDivisionPlane::setupBuffers() {
  positionBuffer_.bind();
  positionBuffer_.setData(planeCount_ * Plane::positionBytes, nullptr, GL_STATIC_DRAW);
  program_->enableVertexAttribArray("a_position", true);
  neutralProgram_->enableVertexAttribArray("a_position", true);
  texCoordBuffer_.bind();
  texCoordBuffer_.setData(planeCount_ * Plane::texCoordBytes, nullptr, GL_STATIC_DRAW);
  program_->enableVertexAttribArray("a_texCoord", true);
  neutralProgram_->enableVertexAttribArray("a_texCoord", true);
}

void MultiDivisionPlane::setLayout(int selected, int divisions) {
  ZELVO_PRECONDITION(1 <= divisions && divisions <= maximumDivisions);
  if (planeCount_ > 0) {
    int page = selected / (divisions * divisions);
    for (int i = 0; i < planeCount_; ++i) setPlanePosition(i, divisions, page);
  }
  frameDivisions(divisions);
}

void MultiDivisionPlane::setPlanePosition(int plane, int divisions, int page) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount());
  ZELVO_PRECONDITION(1 <= divisions && divisions <= maximumDivisions);
  int column = plane % divisions;
  int row = (plane / divisions) % divisions;
  int layer = plane / (divisions * divisions) - page;
  // Pages before the shown one go behind it.
  if (layer < 0) layer = planeCount_ / (divisions * divisions) - layer;
  // A plane that comes into view never shows a stale picture.
  if (planes_[plane].depth() != -1 && layer == 0) fills_[plane] = Fill{true, 0, 0, 0};
  planes_[plane].setPosition(column, row, layer);
}

void MultiDivisionPlane::frameDivisions(int divisions) {
  float h = static_cast<float>(divisions) * 0.5f;
  camera_.lookAt(Vector(h, -h, static_cast<float>(2 * divisions - 1), 0), Vector(h, -h, 0, 0));
  camera_.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, static_cast<float>(2 * divisions) + 0.5f);
}

void MultiDivisionPlane::setViewSize(float width, float height) {
  for (int i = 0; i < planeCount_; ++i) planes_[i].setViewSize(width, height);
}

void MultiDivisionPlane::setKeepAspectRatio(bool keep) {
  for (int i = 0; i < planeCount_; ++i) planes_[i].setKeepAspectRatio(keep);
}

void MultiDivisionPlane::updateVideoTexture(int plane, int width, int height, int lineSize, const uint8_t* y,
                                            float xScale, float yScale, const uint8_t* u, const uint8_t* v) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  // The picture came after any clear still pending: it wins.
  fills_[plane].pending = false;
  planes_[plane].updateVideoTexture(width, height, lineSize, y, xScale, yScale, u, v);
}

void MultiDivisionPlane::clearPlane(int plane, int red, int green, int blue) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  fills_[plane] = Fill{true, red, green, blue};
  planes_[plane].resetColorTransform();
}

void MultiDivisionPlane::clearAllPlanes(int red, int green, int blue) {
  for (int i = 0; i < planeCount_; ++i) clearPlane(i, red, green, blue);
}

bool MultiDivisionPlane::isFront(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  return planes_[plane].depth() == -1;
}

PlanePosition MultiDivisionPlane::planePosition(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  return planes_[plane].position();
}

RgbaImage MultiDivisionPlane::snapshot(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  applyPendingFills();
  return snapshotUtil_.snapshot(*this, plane);
}

void MultiDivisionPlane::setConfiguration(int plane, const CameraConfiguration& configuration) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  planes_[plane].setConfiguration(configuration);
}

CameraConfiguration MultiDivisionPlane::getConfiguration(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  return planes_[plane].getConfiguration();
}

const Plane& MultiDivisionPlane::plane(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  return planes_[plane];
}

void MultiDivisionPlane::applyPendingFills() {
  for (int i = 0; i < planeCount_; ++i) {
    if (!fills_[i].pending) continue;
    fills_[i].pending = false;
    planes_[i].fill(fills_[i].red, fills_[i].green, fills_[i].blue);
  }
}

bool MultiDivisionPlane::update(float time) {
  applyPendingFills();
  bool needed = false;
  for (int i = 0; i < planeCount_; ++i) needed = planes_[i].update(time) || needed;
  return needed;
}

void MultiDivisionPlane::setupDraw(const Camera& camera, Program& program) {
  program.use();
  program.setUniformMatrix4fv("u_MVP", camera.projection() * camera.view());
  program.setUniformMatrix4fv("u_mYUVToRGB", yuvToRgb_);
  positionBuffer_.bind();
  program.vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  texCoordBuffer_.bind();
  program.vertexAttribPointer("a_texCoord", 2, GL_FLOAT, false, 0, 0);
}

void MultiDivisionPlane::render() {
  ZELVO_ASSERT(program_ != nullptr, "the wall is drawn before init");
  // Tiles behind the shown page would be cut off by the far plane: they are not drawn,
  // nor are the shown ones that would draw only the black the target is cleared to. The
  // shown tiles never overlap, so drawing the neutral ones first changes nothing.
  bool neutralSetUp = false, adjustedLeft = false;
  for (int i = 0; i < planeCount_; ++i) {
    if (!isFront(i) || planes_[i].showsBlackOnly()) continue;
    if (!planes_[i].hasNeutralSettings()) {
      adjustedLeft = true;
      continue;
    }
    if (!neutralSetUp) {
      setupDraw(camera_, *neutralProgram_);
      neutralSetUp = true;
    }
    planes_[i].renderNeutral(*neutralProgram_);
  }
  if (!adjustedLeft) return;
  setupDraw(camera_, *program_);
  for (int i = 0; i < planeCount_; ++i)
    if (isFront(i) && !planes_[i].hasNeutralSettings()) planes_[i].render();
}

void MultiDivisionPlane::framePlane(Camera& camera, const Plane& plane) {
  Plane::Quad q = plane.fittedRect();
  float cx = (q.x0 + q.x1) * 0.5f;
  float cy = (q.y0 + q.y1) * 0.5f;
  camera.lookAt(Vector(cx, cy, q.depth + 2, 0), Vector(cx, cy, q.depth, 0));
  // At the near distance 2 the frustum is exactly the fitted picture.
  camera.frustum(cx - q.x1, q.x1 - cx, cy - q.y0, q.y0 - cy, 2, 2.5f);
}

void MultiDivisionPlane::renderPlaneOffscreen(int plane, FrameBuffer& target) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  ZELVO_ASSERT(program_ != nullptr, "a plane is drawn before init");
  Plane& tile = planes_[plane];
  // The quad drawn is the quad framed, even if the fit changed since the last update.
  tile.updatePositions();
  Camera camera;
  framePlane(camera, tile);
  target.bind();
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, tile.videoWidth(), tile.videoHeight());
  setupDraw(camera, *program_);
  tile.render();
}

}  // namespace zelvo
