#include "openglkit/Camera.h"

#include <cmath>
#include <numbers>

#include "Foundation/Assert.h"

namespace zelvo {

void Camera::lookAt(const Vector& eye, const Vector& center) { lookAt(eye, center, Vector::unitY()); }

void Camera::lookAt(const Vector& eye, const Vector& center, const Vector& up) {
  eye_ = eye;
  forward_ = (eye - center).normalized();
  right_ = up.cross(forward_).normalized();
  up_ = forward_.cross(right_).normalized();
  const float columns[16] = {
      right_.x(), up_.x(), forward_.x(), 0,  //
      right_.y(), up_.y(), forward_.y(), 0,  //
      right_.z(), up_.z(), forward_.z(), 0,  //
      -eye.dot(right_), -eye.dot(up_), -eye.dot(forward_), 1,
  };
  view_ = Matrix(columns);
}

void Camera::perspective(float fovy, float aspect, float near, float far) {
  fovy_ = fovy;
  aspect_ = aspect;
  near_ = near;
  far_ = far;
  float t = tanf(static_cast<float>(static_cast<double>(fovy) * (std::numbers::pi / 180.0) * 0.5)) * near;
  frustum(-t, t, -t / aspect, t / aspect, near, far);
}

void Camera::frustum(float l, float r, float b, float t, float n, float f) {
#ifndef NDEBUG
  // Every caller passes fixed, valid values; a flat frustum would divide by zero.
  ZELVO_ASSERT(r != l && t != b && f != n, "degenerate frustum");
#endif
  fovy_ = 2 * atan2f(r - l, 2 * n);
  aspect_ = (r - l) / (t - b);
  near_ = n;
  far_ = f;
  const float columns[16] = {
      2 * n / (r - l),   0, 0, 0,  //
      0, 2 * n / (t - b),    0, 0,  //
      (r + l) / (r - l), (t + b) / (t - b), -(f + n) / (f - n), -1,  //
      0, 0, -2 * f * n / (f - n), 0,
  };
  projection_ = Matrix(columns);
}

void Camera::ortho(float l, float r, float b, float t, float n, float f) {
#ifndef NDEBUG
  ZELVO_ASSERT(r != l && t != b && f != n, "degenerate box");
#endif
  const float columns[16] = {
      2 / (r - l), 0, 0, 0,  //
      0, 2 / (t - b), 0, 0,  //
      0, 0, 2 / (n - f), 0,  //
      (l + r) / (l - r), (b + t) / (b - t), (n + f) / (n - f), 1,
  };
  projection_ = Matrix(columns);
}

void Camera::setPosition(const Vector& p) {
  eye_ = p;
  float columns[16];
  for (int i = 0; i < 12; ++i) columns[i] = view_.data()[i];
  columns[12] = -p.dot(right_);
  columns[13] = -p.dot(up_);
  columns[14] = -p.dot(forward_);
  columns[15] = 1;
  view_ = Matrix(columns);
}

void Camera::setPosition(float x, float y, float z) { setPosition(Vector(x, y, z, 0)); }

void Camera::move(const Vector& delta) { setPosition(eye_ + delta); }

void Camera::move(float dx, float dy, float dz) { move(Vector(dx, dy, dz, 0)); }

void Camera::setNear(float near) {
  // The stored angle is in radians (frustum replaced the degrees perspective was given).
  perspective(static_cast<float>(fovy_ * 180.0 / std::numbers::pi), aspect_, near, far_);
}

void Camera::setFovy(float fovy) { perspective(fovy, aspect_, near_, far_); }

}  // namespace zelvo
