#pragma once
// An eye point and a projection: the two matrices from which every drawable builds
// its model-view-projection matrix (projection x view).

#include "openglkit/Matrix.h"
#include "openglkit/Vector.h"

namespace zelvo {

class Camera {
 public:
  // View and projection start as the identity; the rest is set by the first lookAt and frustum.
  Camera() = default;

  void lookAt(const Vector& eye, const Vector& center);
  void lookAt(const Vector& eye, const Vector& center, const Vector& up);

  // fovy in degrees spans the horizontal extent: the vertical half-extent is t / aspect.
  void perspective(float fovy, float aspect, float near, float far);
  // Stores fovy in radians (2 atan2(r - l, 2n)) and aspect (r - l) / (t - b).
  void frustum(float left, float right, float bottom, float top, float near, float far);
  void ortho(float left, float right, float bottom, float top, float near, float far);

  void setPosition(const Vector& position);
  void setPosition(float x, float y, float z);
  void move(const Vector& delta);
  void move(float dx, float dy, float dz);
  // Re-run perspective with one stored value replaced; setNear converts the stored
  // angle, which frustum left in radians, back to degrees.
  void setNear(float near);
  void setFovy(float fovy);

  const Vector& eye() const { return _eye; }
  const Vector& right() const { return _right; }
  const Vector& up() const { return _up; }
  const Vector& forward() const { return _forward; }
  const Matrix& view() const { return _view; }
  const Matrix& projection() const { return _projection; }
  float fovy() const { return _fovy; }
  float aspect() const { return _aspect; }
  float near() const { return _near; }
  float far() const { return _far; }

 private:
  Vector _eye;
  Vector _right;
  Vector _up;
  Vector _forward;  // from the scene towards the eye
  Matrix _view;
  Matrix _projection;
  float _fovy = 0;
  float _aspect = 0;
  float _near = 0;
  float _far = 0;
};

}  // namespace zelvo
