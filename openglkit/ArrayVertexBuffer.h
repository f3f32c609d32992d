#pragma once
// A vertex buffer for GL_ARRAY_BUFFER: attribute data.

#include "openglkit/VertexBuffer.h"

namespace zelvo {

class ArrayVertexBuffer : public VertexBuffer {
 public:
  ArrayVertexBuffer();
  ~ArrayVertexBuffer() override;
};

}  // namespace zelvo
