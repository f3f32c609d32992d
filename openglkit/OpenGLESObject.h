#pragma once
// The base of the kit's GL object wrappers: each owns one GL name for its whole
// life (created by the constructor, deleted by the destructor, so never copied) and
// binds it through bind(). Every other operation acts on whatever object is bound
// for its target; callers bind first. A GL context must be current on the calling
// thread, for construction and destruction too.

namespace zelvo {

class OpenGLESObject {
 public:
  OpenGLESObject() = default;
  OpenGLESObject(const OpenGLESObject&) = delete;
  OpenGLESObject& operator=(const OpenGLESObject&) = delete;

  virtual void bind() = 0;

 protected:
  // Wrappers live by value in their owners and are never deleted through this base.
  ~OpenGLESObject() = default;
};

}  // namespace zelvo
