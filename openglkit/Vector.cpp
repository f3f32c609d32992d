#include "openglkit/Vector.h"

#include <cmath>

#include "openglkit/Matrix.h"

namespace zelvo {

const Vector& Vector::zero() {
  static const Vector value(0, 0, 0, 0);
  return value;
}

const Vector& Vector::unitX() {
  static const Vector value(1, 0, 0, 0);
  return value;
}

const Vector& Vector::unitY() {
  static const Vector value(0, 1, 0, 0);
  return value;
}

const Vector& Vector::unitZ() {
  static const Vector value(0, 0, 1, 0);
  return value;
}

float Vector::dot(const Vector& o) const {
  float sum = v[0] * o.v[0];
  sum = sum + v[1] * o.v[1];
  sum = sum + v[2] * o.v[2];
  sum = sum + v[3] * o.v[3];
  return sum;
}

Vector Vector::cross(const Vector& o) const {
  return Vector(v[1] * o.v[2] - v[2] * o.v[1], v[2] * o.v[0] - v[0] * o.v[2], v[0] * o.v[1] - v[1] * o.v[0], 0);
}

Vector Vector::normalized() const {
  if (*this == zero()) return zero();
  float lengthSquared = v[0] * v[0];
  lengthSquared = lengthSquared + v[1] * v[1];
  lengthSquared = lengthSquared + v[2] * v[2];
  lengthSquared = lengthSquared + v[3] * v[3];
  float inverse = 1.0f / std::sqrt(lengthSquared);
  return *this * inverse;
}

Vector Vector::operator*(float f) const { return Vector(v[0] * f, v[1] * f, v[2] * f, v[3] * f); }

Vector Vector::operator+(const Vector& o) const {
  return Vector(v[0] + o.v[0], v[1] + o.v[1], v[2] + o.v[2], v[3] + o.v[3]);
}

Vector Vector::operator-(const Vector& o) const {
  return Vector(v[0] - o.v[0], v[1] - o.v[1], v[2] - o.v[2], v[3] - o.v[3]);
}

bool Vector::operator==(const Vector& o) const {
  return v[0] == o.v[0] && v[1] == o.v[1] && v[2] == o.v[2] && v[3] == o.v[3];
}

Vector Vector::transformed(const Matrix& matrix) const { return matrix * *this; }

}  // namespace zelvo
