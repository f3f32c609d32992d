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
    : canvas_(std::make_unique<OsdCanvas>(planeCount)), planeCount_(planeCount) {
  ZELVO_PRECONDITION(0 <= planeCount);
}

MultiDivisionOsdPlane::~MultiDivisionOsdPlane() = default;

bool MultiDivisionOsdPlane::init(GLenum osdUnit, GLenum backgroundUnit, float width, float height) {
  program_ = Program::create(osdVertexShaderSource, osdFragmentShaderSource);
  if (!program_) return false;

  positionBuffer_.bind();
  positionBuffer_.setData(sizeof positions, positions, GL_STATIC_DRAW);
  program_->enableVertexAttribArray("a_position", true);
  osdTexCoordBuffer_.bind();
  osdTexCoordBuffer_.setData(sizeof osdTexCoords, osdTexCoords, GL_STATIC_DRAW);
  program_->enableVertexAttribArray("a_osdTexCoord", true);
  backgroundTexCoordBuffer_.bind();
  backgroundTexCoordBuffer_.setData(sizeof backgroundTexCoords, backgroundTexCoords, GL_STATIC_DRAW);
  program_->enableVertexAttribArray("a_backgroundTexCoord", true);

  osdUnit_ = osdUnit;
  Texture::activeTexture(osdUnit_);
  osdTexture_.bind();
  osdTexture_.setWrapMode(GL_CLAMP_TO_EDGE);
  // Texel for texel on the view, as the rendered video (see Screen::init).
  osdTexture_.setFilter(GL_NEAREST, GL_NEAREST);
  osdTexture_.setImage(GL_RGBA, static_cast<int>(width), static_cast<int>(height), GL_UNSIGNED_BYTE, nullptr);
  backgroundUnit_ = backgroundUnit;

  camera_.lookAt(Vector(0, 0, 0.5f, 0), Vector(0, 0, 0, 0));
  camera_.ortho(-1, 1, -1, 1, 0, 1);

  // The canvas, every plane's title and icon, and the first layout (never skipped).
  canvas_->setup(width, height, imageResource("osd_ptz", "png"));
  for (int i = 0; i < planeCount_; ++i) canvas_->plane(i).setTexture(&osdTexture_);
  return true;
}

int MultiDivisionOsdPlane::selectedPlane() const { return canvas_->selectedPlane(); }

int MultiDivisionOsdPlane::divisions() const { return canvas_->divisions(); }

void MultiDivisionOsdPlane::clearTexture() {
  // Cleared at the size the texture has, which is not yet the view's after a reshape.
  const int width = osdTexture_.width();
  const int height = osdTexture_.height();
  if (width <= 0 || height <= 0) return;
  const std::vector<uint8_t> zeros(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  Texture::activeTexture(osdUnit_);
  osdTexture_.bind();
  osdTexture_.updateImage(GL_RGBA, 0, 0, width, height, GL_UNSIGNED_BYTE, zeros.data());
}

void MultiDivisionOsdPlane::setLayout(int selectedPlane, int divisions) {
  ZELVO_PRECONDITION(1 <= divisions && divisions <= maximumDivisions);
  if (selectedPlane == canvas_->selectedPlane() && divisions == canvas_->divisions()) return;
  textureClearPending_ = true;
  canvas_->setLayout(selectedPlane, divisions);
}

void MultiDivisionOsdPlane::reshape(float width, float height) { canvas_->reshape(width, height); }

void MultiDivisionOsdPlane::setSelectionGradient(const Gradient& gradient) { canvas_->setSelectionGradient(gradient); }

void MultiDivisionOsdPlane::clearPlane(int plane, const Rgba& color) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  canvas_->plane(plane).setBackground(Gradient(color, color));
}

void MultiDivisionOsdPlane::clearPlaneWithGradient(int plane, const Gradient& gradient) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  canvas_->plane(plane).setBackground(gradient);
}

void MultiDivisionOsdPlane::setTitle(int plane, std::optional<std::string> title) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  canvas_->setTitle(plane, std::move(title));
}

void MultiDivisionOsdPlane::showPtzIcon(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  canvas_->setPtzIconVisible(plane, true);
}

void MultiDivisionOsdPlane::hidePtzIcon(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  canvas_->setPtzIconVisible(plane, false);
}

bool MultiDivisionOsdPlane::showHighlight(int plane) {
  ZELVO_PRECONDITION(0 <= plane && plane < planeCount_);
  return canvas_->showHighlight(plane);
}

bool MultiDivisionOsdPlane::hideHighlight() { return canvas_->hideHighlight(); }

bool MultiDivisionOsdPlane::update(float) {
  if (textureClearPending_) {
    textureClearPending_ = false;
    clearTexture();
  }
  const int width = static_cast<int>(canvas_->viewWidth());
  const int height = static_cast<int>(canvas_->viewHeight());
  if (width != osdTexture_.width() || height != osdTexture_.height()) {
    const size_t texels = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0));
    const std::vector<uint8_t> zeros(texels * 4, 0);
    Texture::activeTexture(osdUnit_);
    osdTexture_.bind();
    osdTexture_.setImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, zeros.data());
    canvas_->layoutPlanes();
  }
  if (!canvas_->needsRedraw()) return true;

  canvas_->draw();
  const QImage& image = canvas_->image();
  // The canvas and the texture have the same whole-pixel size; should they ever differ,
  // only what fits in both is uploaded.
  const int uploadWidth = std::min(image.width(), osdTexture_.width());
  const int uploadHeight = std::min(image.height(), osdTexture_.height());
  if (uploadWidth > 0 && uploadHeight > 0) {
    Texture::activeTexture(osdUnit_);
    osdTexture_.bind();
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
    osdTexture_.updateImage(GL_RGBA, 0, 0, uploadWidth, uploadHeight, GL_UNSIGNED_BYTE, image.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  return true;
}

void MultiDivisionOsdPlane::render() {
  program_->use();
  positionBuffer_.bind();
  program_->vertexAttribPointer("a_position", 3, GL_FLOAT, false, 0, 0);
  osdTexCoordBuffer_.bind();
  program_->vertexAttribPointer("a_osdTexCoord", 2, GL_FLOAT, false, 0, 0);
  backgroundTexCoordBuffer_.bind();
  program_->vertexAttribPointer("a_backgroundTexCoord", 2, GL_FLOAT, false, 0, 0);
  program_->setUniform1i("u_textureOsd", Texture::unitIndex(osdUnit_));
  program_->setUniform1i("u_textureBackground", Texture::unitIndex(backgroundUnit_));
  program_->setUniformMatrix4fv("u_MVP", camera_.projection() * camera_.view());
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

}  // namespace zelvo
