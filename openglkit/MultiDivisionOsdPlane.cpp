#include "openglkit/MultiDivisionOsdPlane.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Foundation/Assert.h"
#include "Resources/Resources.h"
#include "openglkit/Matrix.h"
#include "openglkit/OsdCanvas.h"
#include "openglkit/ShaderSources.h"
#include "openglkit/Vector.h"

namespace zelvo {

namespace {

constexpr int maximumDivisions = 8;

// One triangle strip over the whole view. The OSD texture holds the canvas top row
// first, the rendered video bottom row first: hence two sets of coordinates.
constexpr GLfloat positions[] = {-1, 1, 0, 1, 1, 0, -1, -1, 0, 1, -1, 0};
constexpr GLfloat osdTexCoords[] = {0, 0, 1, 0, 0, 1, 1, 1};
constexpr GLfloat backgroundTexCoords[] = {0, 1, 1, 1, 0, 0, 1, 0};

}  // namespace

MultiDivisionOsdPlane::MultiDivisionOsdPlane(int planeCount)
    : _canvas(std::make_unique<OsdCanvas>(planeCount)), _planeCount(planeCount) {
  ZELVO_PRECONDITION(0 <= planeCount);
}

MultiDivisionOsdPlane::~MultiDivisionOsdPlane() = default;

bool MultiDivisionOsdPlane::init(GLenum osdUnit, GLenum backgroundUnit, float width, float height) {
  _program = Program::create(osdVertexShaderSource, osdFragmentShaderSource);
  if (!_program) return false;

  _positionBuffer.bind();
  _positionBuffer.setData(sizeof positions, positions, GL_STATIC_DRAW);
  _program->enableVertexAttribArray("a_position", true);
  _osdTexCoordBuffer.bind();
  _osdTexCoordBuffer.setData(sizeof osdTexCoords, osdTexCoords, GL_STATIC_DRAW);
  _program->enableVertexAttribArray("a_osdTexCoord", true);
  _backgroundTexCoordBuffer.bind();
  _backgroundTexCoordBuffer.setData(sizeof backgroundTexCoords, backgroundTexCoords, GL_STATIC_DRAW);
  _program->enableVertexAttribArray("a_backgroundTexCoord", true);

  _osdUnit = osdUnit;
  Texture::activeTexture(_osdUnit);
  _osdTexture.bind();
  _osdTexture.setWrapMode(GL_CLAMP_TO_EDGE);
  _osdTexture.setFilter(GL_LINEAR, GL_LINEAR);
  _osdTexture.setImage(GL_RGBA, static_cast<int>(width), static_cast<int>(height), GL_UNSIGNED_BYTE, nullptr);
  _backgroundUnit = backgroundUnit;

  _camera.lookAt(Vector(0, 0, 0.5f, 0), Vector(0, 0, 0, 0));
  _camera.ortho(-1, 1, -1, 1, 0, 1);

  // The canvas, every plane's title and icon, and the first layout (never skipped).
  _canvas->setup(width, height, imageResource("osd_ptz", "png"));
  for (int i = 0; i < _planeCount; ++i) _canvas->plane(i).setTexture(&_osdTexture);
  return true;
}

int MultiDivisionOsdPlane::selectedPlane() const { return _canvas->selectedPlane(); }

int MultiDivisionOsdPlane::divisions() const { return _canvas->divisions(); }

void MultiDivisionOsdPlane::clearTexture() {
  // Cleared at the size the texture has, which is not yet the view's after a reshape.
  const int width = _osdTexture.width();
  const int height = _osdTexture.height();
  if (width <= 0 || height <= 0) return;
  const std::vector<uint8_t> zeros(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  Texture::activeTexture(_osdUnit);
  _osdTexture.bind();
  _osdTexture.updateImage(GL_RGBA, 0, 0, width, height, GL_UNSIGNED_BYTE, zeros.data());
}

void MultiDivisionOsdPlane::setLayout(int selectedPlane, int divisions) {
  ZELVO_PRECONDITION(1 <= divisions && divisions <= maximumDivisions);
  if (selectedPlane == _canvas->selectedPlane() && divisions == _canvas->divisions()) return;
  clearTexture();
  _canvas->setLayout(selectedPlane, divisions);
}

void MultiDivisionOsdPlane::reshape(float width, float height) { _canvas->reshape(width, height); }

void MultiDivisionOsdPlane::setSelectionGradient(const Gradient& gradient) { _canvas->setSelectionGradient(gradient); }

void MultiDivisionOsdPlane::clearPlane(int plane, const Rgba& color) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _canvas->plane(plane).setBackground(Gradient(color, color));
}

void MultiDivisionOsdPlane::clearPlaneWithGradient(int plane, const Gradient& gradient) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _canvas->plane(plane).setBackground(gradient);
}

void MultiDivisionOsdPlane::setTitle(int plane, std::optional<std::string> title) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _canvas->setTitle(plane, std::move(title));
}

void MultiDivisionOsdPlane::showPtzIcon(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _canvas->setPtzIconVisible(plane, true);
}

void MultiDivisionOsdPlane::hidePtzIcon(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  _canvas->setPtzIconVisible(plane, false);
}

bool MultiDivisionOsdPlane::showHighlight(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < _planeCount);
  return _canvas->showHighlight(plane);
}

bool MultiDivisionOsdPlane::hideHighlight() { return _canvas->hideHighlight(); }

bool MultiDivisionOsdPlane::update(float) {
  const int width = static_cast<int>(_canvas->viewWidth());
  const int height = static_cast<int>(_canvas->viewHeight());
  if (width != _osdTexture.width() || height != _osdTexture.height()) {
    const size_t texels = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0));
    const std::vector<uint8_t> zeros(texels * 4, 0);
    Texture::activeTexture(_osdUnit);
    _osdTexture.bind();
    _osdTexture.setImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, zeros.data());
    _canvas->layoutPlanes();
  }
  if (!_canvas->needsRedraw()) return true;

  _canvas->draw();
  const QImage& image = _canvas->image();
  // The canvas and the texture have the same whole-pixel size; should they ever differ,
  // only what fits in both is uploaded.
  const int uploadWidth = std::min(image.width(), _osdTexture.width());
  const int uploadHeight = std::min(image.height(), _osdTexture.height());
  if (uploadWidth > 0 && uploadHeight > 0) {
    Texture::activeTexture(_osdUnit);
    _osdTexture.bind();
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
    _osdTexture.updateImage(GL_RGBA, 0, 0, uploadWidth, uploadHeight, GL_UNSIGNED_BYTE, image.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  return true;
}

void MultiDivisionOsdPlane::render() {
  _program->use();
  _positionBuffer.bind();
  _program->vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  _osdTexCoordBuffer.bind();
  _program->vertexAttribPointer("a_osdTexCoord", 2, GL_FLOAT, false, 0, 0);
  _backgroundTexCoordBuffer.bind();
  _program->vertexAttribPointer("a_backgroundTexCoord", 2, GL_FLOAT, false, 0, 0);
  _program->setUniform1i("u_textureOsd", Texture::unitIndex(_osdUnit));
  _program->setUniform1i("u_textureBackground", Texture::unitIndex(_backgroundUnit));
  _program->setUniformMatrix4fv("u_MVP", _camera.projection() * _camera.view());
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

}  // namespace zelvo
