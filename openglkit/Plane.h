#pragma once
// One tile of the video wall: the latest picture of one camera as three luminance
// textures (Y, U, V), its place in the layout, its colour settings, drawn as one quad
// with the shared video program. All planes share the program and two vertex buffers
// owned by the wall; each writes its own slice of them. GL thread only.

#include <cstdint>

#include "openglkit/CameraConfiguration.h"
#include "openglkit/Matrix.h"
#include "openglkit/OpenGL.h"
#include "openglkit/PlanePosition.h"
#include "openglkit/RenderObject.h"
#include "openglkit/Texture.h"

namespace zelvo {

class ArrayVertexBuffer;
class Program;

class Plane : public RenderObject {
 public:
  // Bytes of one plane's slices: four vertices of three floats, four pairs of floats.
  static constexpr int64_t positionBytes = 48;
  static constexpr int64_t texCoordBytes = 32;

  // In wall units (a tile is 1 x 1): left, top, right, bottom, and the tile's z.
  struct Quad {
    float x0, y0, x1, y1, depth;
  };
  struct Yuv {
    int y, u, v;
  };

  Plane();

  void init(Program* program, ArrayVertexBuffer* positionBuffer, ArrayVertexBuffer* texCoordBuffer,
            int64_t positionOffset, int64_t texCoordOffset, GLenum unitY, GLenum unitU, GLenum unitV);

  // One decoded 4:2:0 picture: a Y plane of lineSize x height bytes and U, V planes of
  // lineSize / 2 x height / 2, tightly packed at those pitches. The texture spans the
  // whole line; the texture coordinates crop it to width. A line size of 0 or below the
  // width, or a picture larger than GL's textures, is refused with a log line and the
  // previous picture stays.
  void updateVideoTexture(int width, int height, int lineSize, const uint8_t* y, float xScale, float yScale,
                          const uint8_t* u, const uint8_t* v);
  // The whole picture becomes one colour (0..255 each); size and crop stay.
  void fill(int red, int green, int blue);
  static Yuv rgbToYuv(int red, int green, int blue);

  void setPosition(int column, int row, int layer);
  void setKeepAspectRatio(bool keep) { _keepAspectRatio = keep; }
  void setViewSize(float width, float height);
  void setConfiguration(const CameraConfiguration& configuration);
  CameraConfiguration getConfiguration() const { return _configuration; }
  void resetColorTransform();

  // The quad as drawn: the tile, narrowed or lowered to the picture's aspect ratio
  // when keepAspectRatio is set.
  Quad fittedRect() const;
  void updatePositions();

  // Rewrites this plane's positions; always asks for a redraw.
  bool update(float time) override;
  // Expects the wall's program in use and both attribute arrays set up.
  void render() override;

  const PlanePosition& position() const { return _position; }
  Quad rect() const { return {_rect.x0, _rect.y0, _rect.x1, _rect.y1, _depth}; }
  float depth() const { return _depth; }
  bool keepAspectRatio() const { return _keepAspectRatio; }
  int videoWidth() const { return _videoWidth; }
  int videoHeight() const { return _videoHeight; }
  const float* texCoords() const { return _texCoords; }
  const Matrix& colorTransform() const { return _colorTransform; }
  const Texture& textureY() const { return _textureY; }
  const Texture& textureU() const { return _textureU; }
  const Texture& textureV() const { return _textureV; }
  GLenum unitY() const { return _unitY; }
  GLenum unitU() const { return _unitU; }
  GLenum unitV() const { return _unitV; }
  int64_t positionOffset() const { return _positionOffset; }
  int64_t texCoordOffset() const { return _texCoordOffset; }
  // The contrast factor render sends as u_contrast.
  static float contrastFactor(float contrast);

 private:
  void setupTextures();
  void setupTexture(Texture& texture);
  void fillTexture(Texture& texture, uint8_t value);
  void bindTexture(Texture& texture, const char* uniform, GLenum unit);
  void writeTexCoords();

  float _texCoords[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  Program* _program = nullptr;
  Texture _textureY;
  Texture _textureU;
  Texture _textureV;
  ArrayVertexBuffer* _positionBuffer = nullptr;
  ArrayVertexBuffer* _texCoordBuffer = nullptr;
  int64_t _positionOffset = 0;
  int64_t _texCoordOffset = 0;
  GLenum _unitY = GL_TEXTURE0;
  GLenum _unitU = GL_TEXTURE1;
  GLenum _unitV = GL_TEXTURE2;
  PlanePosition _position;
  struct {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  } _rect;
  float _depth = 0;
  bool _keepAspectRatio = false;
  float _viewWidth = 0;
  float _viewHeight = 0;
  int _videoWidth = 0;
  int _videoHeight = 0;
  // The line size the crop was computed for: a new line size at the same picture size
  // moves the crop too.
  int _lineSize = 0;
  GLint _maxTextureSize = 0;
  Matrix _colorTransform;
  CameraConfiguration _configuration;
};

}  // namespace zelvo
