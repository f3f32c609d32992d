#include "openglkit/MultiDivisionPlane.h"

#include "Foundation/Assert.h"
#include "openglkit/FrameBuffer.h"
#include "openglkit/ShaderSources.h"

namespace zelvo {

MultiDivisionPlane::MultiDivisionPlane(int planeCount) : _planeCount(planeCount) {
  ZELVO_PRECONDITION(0 <= planeCount);
  _planes = std::make_unique<Plane[]>(static_cast<size_t>(planeCount));
}

MultiDivisionPlane::~MultiDivisionPlane() {
  // Planes first, then the snapshot objects, then the buffers.
  _planes.reset();
}

bool MultiDivisionPlane::loadProgram() {
  _program = Program::create(videoVertexShaderSource, videoFragmentShaderSource);
  return _program != nullptr;
}

void MultiDivisionPlane::setYuvToRgb() {
  // BT.601 from (Y, Cb - 0.5, Cr - 0.5), after the levels that map luma y to
  // 1.1643 (y - 1/16) and centre the chroma.
  const float conversion[16] = {1, 1, 1, 0, 0, -0.39173f, 2.017f, 0, 1.5958f, -0.8129f, 0, 0, 0, 0, 0, 1};
  const float levels[16] = {1.1643f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -0.07276875f, -0.5f, -0.5f, 1};
  _yuvToRgb = Matrix(conversion) * Matrix(levels);
}

bool MultiDivisionPlane::init(GLenum unitY, GLenum unitU, GLenum unitV, GLenum snapshotUnit, float width,
                              float height) {
  if (!loadProgram()) return false;
  setupBuffers();
  for (int i = 0; i < _planeCount; ++i)
    _planes[i].init(_program.get(), &_positionBuffer, &_texCoordBuffer, i * Plane::positionBytes,
                    i * Plane::texCoordBytes, unitY, unitU, unitV);
  setLayout(0, 1);
  setViewSize(width, height);
  setYuvToRgb();
  _camera.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, 10);
  frameDivisions(1);
  _snapshotUtil.init(snapshotUnit);
  return true;
}

void MultiDivisionPlane::setupBuffers() {
  _positionBuffer.bind();
  _positionBuffer.setData(_planeCount * Plane::positionBytes, nullptr, GL_STATIC_DRAW);
  _program->enableVertexAttribArray("a_position", true);
  _texCoordBuffer.bind();
  _texCoordBuffer.setData(_planeCount * Plane::texCoordBytes, nullptr, GL_STATIC_DRAW);
  _program->enableVertexAttribArray("a_texCoord", true);
}

void MultiDivisionPlane::setLayout(int selected, int divisions) {
  ZELVO_PRECONDITION(1 <= divisions && divisions <= maximumDivisions);
  if (_planeCount > 0) {
    int page = selected / (divisions * divisions);
    for (int i = 0; i < _planeCount; ++i) setPlanePosition(i, divisions, page);
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
  if (layer < 0) layer = _planeCount / (divisions * divisions) - layer;
  // A plane that comes into view never shows a stale picture.
  if (_planes[plane].depth() != -1 && layer == 0) _planes[plane].fill(0, 0, 0);
  _planes[plane].setPosition(column, row, layer);
}

void MultiDivisionPlane::frameDivisions(int divisions) {
  float h = static_cast<float>(divisions) * 0.5f;
  _camera.lookAt(Vector(h, -h, static_cast<float>(2 * divisions - 1), 0), Vector(h, -h, 0, 0));
  _camera.frustum(-0.5f, 0.5f, -0.5f, 0.5f, 2, static_cast<float>(2 * divisions) + 0.5f);
}

void MultiDivisionPlane::setViewSize(float width, float height) {
  for (int i = 0; i < _planeCount; ++i) _planes[i].setViewSize(width, height);
}

void MultiDivisionPlane::setKeepAspectRatio(bool keep) {
  for (int i = 0; i < _planeCount; ++i) _planes[i].setKeepAspectRatio(keep);
}

void MultiDivisionPlane::updateVideoTexture(int plane, int width, int height, int lineSize, const uint8_t* y,
                                            float xScale, float yScale, const uint8_t* u, const uint8_t* v) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _planes[plane].updateVideoTexture(width, height, lineSize, y, xScale, yScale, u, v);
}

void MultiDivisionPlane::clearPlane(int plane, int red, int green, int blue) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _planes[plane].fill(red, green, blue);
  _planes[plane].resetColorTransform();
}

void MultiDivisionPlane::clearAllPlanes(int red, int green, int blue) {
  for (int i = 0; i < _planeCount; ++i) clearPlane(i, red, green, blue);
}

bool MultiDivisionPlane::isFront(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  return _planes[plane].depth() == -1;
}

PlanePosition MultiDivisionPlane::planePosition(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  return _planes[plane].position();
}

RgbaImage MultiDivisionPlane::snapshot(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  return _snapshotUtil.snapshot(*this, plane);
}

void MultiDivisionPlane::setConfiguration(int plane, const CameraConfiguration& configuration) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _planes[plane].setConfiguration(configuration);
}

CameraConfiguration MultiDivisionPlane::getConfiguration(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  return _planes[plane].getConfiguration();
}

const Plane& MultiDivisionPlane::plane(int plane) const {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  return _planes[plane];
}

bool MultiDivisionPlane::update(float time) {
  bool needed = false;
  for (int i = 0; i < _planeCount; ++i) needed = _planes[i].update(time) || needed;
  return needed;
}

void MultiDivisionPlane::setupDraw(const Camera& camera) {
  _program->use();
  _program->setUniformMatrix4fv("u_MVP", camera.projection() * camera.view());
  _program->setUniformMatrix4fv("u_mYUVToRGB", _yuvToRgb);
  _positionBuffer.bind();
  _program->vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  _texCoordBuffer.bind();
  _program->vertexAttribPointer("a_texCoord", 2, GL_FLOAT, false, 0, 0);
}

void MultiDivisionPlane::render() {
  ZELVO_ASSERT(_program != nullptr, "the wall is drawn before init");
  setupDraw(_camera);
  // Tiles behind the shown page are drawn too and cut off by the far plane.
  for (int i = 0; i < _planeCount; ++i) _planes[i].render();
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
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  ZELVO_ASSERT(_program != nullptr, "a plane is drawn before init");
  Plane& tile = _planes[plane];
  // The quad drawn is the quad framed, even if the fit changed since the last update.
  tile.updatePositions();
  Camera camera;
  framePlane(camera, tile);
  target.bind();
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, tile.videoWidth(), tile.videoHeight());
  setupDraw(camera);
  tile.render();
}

}  // namespace zelvo
