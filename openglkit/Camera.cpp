#include "openglkit/Camera.h"

#include <cmath>
#include <numbers>

#include "Foundation/Assert.h"

namespace zelvo {

void Camera::lookAt(const Vector& eye, const Vector& center) { lookAt(eye, center, Vector::unitY()); }

void Camera::lookAt(const Vector& eye, const Vector& center, const Vector& up) {
  _eye = eye;
  _forward = (eye - center).normalized();
  _right = up.cross(_forward).normalized();
  _up = _forward.cross(_right).normalized();
  const float columns[16] = {
      _right.x(), _up.x(), _forward.x(), 0,  //
      _right.y(), _up.y(), _forward.y(), 0,  //
      _right.z(), _up.z(), _forward.z(), 0,  //
      -eye.dot(_right), -eye.dot(_up), -eye.dot(_forward), 1,
  };
  _view = Matrix(columns);
}

void Camera::perspective(float fovy, float aspect, float near, float far) {
  _fovy = fovy;
  _aspect = aspect;
  _near = near;
  _far = far;
  float t = tanf(static_cast<float>(static_cast<double>(fovy) * (std::numbers::pi / 180.0) * 0.5)) * near;
  frustum(-t, t, -t / aspect, t / aspect, near, far);
}

void Camera::frustum(float l, float r, float b, float t, float n, float f) {
#ifndef NDEBUG
  // Every caller passes fixed, valid values; a flat frustum would divide by zero.
  ZELVO_ASSERT(r != l && t != b && f != n, "degenerate frustum");
#endif
  _fovy = 2 * atan2f(r - l, 2 * n);
  _aspect = (r - l) / (t - b);
  _near = n;
  _far = f;
  const float columns[16] = {
      2 * n / (r - l),   0, 0, 0,  //
      0, 2 * n / (t - b),    0, 0,  //
      (r + l) / (r - l), (t + b) / (t - b), -(f + n) / (f - n), -1,  //
      0, 0, -2 * f * n / (f - n), 0,
  };
  _projection = Matrix(columns);
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
  _projection = Matrix(columns);
}

void Camera::setPosition(const Vector& p) {
  _eye = p;
  float columns[16];
  for (int i = 0; i < 12; ++i) columns[i] = _view.data()[i];
  columns[12] = -p.dot(_right);
  columns[13] = -p.dot(_up);
  columns[14] = -p.dot(_forward);
  columns[15] = 1;
  _view = Matrix(columns);
}

void Camera::setPosition(float x, float y, float z) { setPosition(Vector(x, y, z, 0)); }

void Camera::move(const Vector& delta) { setPosition(_eye + delta); }

void Camera::move(float dx, float dy, float dz) { move(Vector(dx, dy, dz, 0)); }

void Camera::setNear(float near) {
  // The stored angle is in radians (frustum replaced the degrees perspective was given).
  perspective(static_cast<float>(_fovy * 180.0 / std::numbers::pi), _aspect, near, _far);
}

void Camera::setFovy(float fovy) { perspective(fovy, _aspect, _near, _far); }

}  // namespace zelvo
