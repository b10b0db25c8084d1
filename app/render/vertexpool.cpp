#include "render/vertexpool.h"

#include "base/memory.h"

namespace vx {

void VertexPool::refill() {
  auto* block = static_cast<EdgeVertex*>(allocator_.Allocate(sizeof(EdgeVertex) * kBlockVertices));
  for (std::size_t i = 0; i < kBlockVertices; ++i) {
    block[i].link = i + 1 < kBlockVertices ? &block[i + 1] : free_;
  }
  free_ = block;
}

}  // namespace vx
