#include "openglkit/ArrayVertexBuffer.h"

namespace zelvo {

ArrayVertexBuffer::ArrayVertexBuffer() : VertexBuffer(GL_ARRAY_BUFFER) {}

ArrayVertexBuffer::~ArrayVertexBuffer() = default;

}  // namespace zelvo
