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
  // Whether the picture is the black fill (as after init or fill(0, 0, 0)) and the
  // settings are neutral: the plane then draws exactly the wall's black background.
  bool showsBlackOnly() const { return blackFill_ && hasNeutralSettings(); }
  static Yuv rgbToYuv(int red, int green, int blue);

  void setPosition(int column, int row, int layer);
  void setKeepAspectRatio(bool keep) { keepAspectRatio_ = keep; }
  void setViewSize(float width, float height);
  void setConfiguration(const CameraConfiguration& configuration);
  CameraConfiguration getConfiguration() const { return configuration_; }
  void resetColorTransform();

  // The quad as drawn: the tile, narrowed or lowered to the picture's aspect ratio
  // when keepAspectRatio is set.
  Quad fittedRect() const;
  void updatePositions();

  // Rewrites this plane's positions; always asks for a redraw.
  bool update(float time) override;
  // Expects the wall's program in use and both attribute arrays set up.
  void render() override;
  // Whether the video shader would skip its adjustment for this plane: the settings it
  // is sent are the identity transform, brightness 0 and contrast factor 1.
  bool hasNeutralSettings() const;
  // Draws with the conversion-only program (in use, attribute arrays set up), which
  // gives what render gives at neutral settings.
  void renderNeutral(Program& neutralProgram);

  const PlanePosition& position() const { return position_; }
  Quad rect() const { return {rect_.x0, rect_.y0, rect_.x1, rect_.y1, depth_}; }
  float depth() const { return depth_; }
  bool keepAspectRatio() const { return keepAspectRatio_; }
  int videoWidth() const { return videoWidth_; }
  int videoHeight() const { return videoHeight_; }
  const float* texCoords() const { return texCoords_; }
  const Matrix& colorTransform() const { return colorTransform_; }
  const Texture& textureY() const { return textureY_; }
  const Texture& textureU() const { return textureU_; }
  const Texture& textureV() const { return textureV_; }
  GLenum unitY() const { return unitY_; }
  GLenum unitU() const { return unitU_; }
  GLenum unitV() const { return unitV_; }
  int64_t positionOffset() const { return positionOffset_; }
  int64_t texCoordOffset() const { return texCoordOffset_; }
  // The contrast factor render sends as u_contrast.
  static float contrastFactor(float contrast);

 private:
  void setupTextures();
  void setupTexture(Texture& texture);
  void fillTexture(Texture& texture, uint8_t value);
  void bindTexture(Program& program, Texture& texture, const char* uniform, GLenum unit);
  void bindTexturesAndDraw(Program& program);
  void writeTexCoords();

  float texCoords_[8] = {0, 0, 1, 0, 0, 1, 1, 1};
  Program* program_ = nullptr;
  Texture textureY_;
  Texture textureU_;
  Texture textureV_;
  ArrayVertexBuffer* positionBuffer_ = nullptr;
  ArrayVertexBuffer* texCoordBuffer_ = nullptr;
  int64_t positionOffset_ = 0;
  int64_t texCoordOffset_ = 0;
  GLenum unitY_ = GL_TEXTURE0;
  GLenum unitU_ = GL_TEXTURE1;
  GLenum unitV_ = GL_TEXTURE2;
  PlanePosition position_;
  struct {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  } rect_;
  float depth_ = 0;
  bool keepAspectRatio_ = false;
  float viewWidth_ = 0;
  float viewHeight_ = 0;
  int videoWidth_ = 0;
  int videoHeight_ = 0;
  // The line size the crop was computed for: a new line size at the same picture size
  // moves the crop too.
  int lineSize_ = 0;
  // No picture since the last black fill (or since init, whose picture is black).
  bool blackFill_ = false;
  GLint maxTextureSize_ = 0;
  Matrix colorTransform_;
  CameraConfiguration configuration_;
};

}  // namespace zelvo
