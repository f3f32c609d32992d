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

  const Vector& eye() const { return eye_; }
  const Vector& right() const { return right_; }
  const Vector& up() const { return up_; }
  const Vector& forward() const { return forward_; }
  const Matrix& view() const { return view_; }
  const Matrix& projection() const { return projection_; }
  float fovy() const { return fovy_; }
  float aspect() const { return aspect_; }
  float near() const { return near_; }
  float far() const { return far_; }

 private:
  Vector eye_;
  Vector right_;
  Vector up_;
  Vector forward_;  // from the scene towards the eye
  Matrix view_;
  Matrix projection_;
  float fovy_ = 0;
  float aspect_ = 0;
  float near_ = 0;
  float far_ = 0;
};

}  // namespace zelvo
