#pragma once
// The initial sizes of the buffers and blocks that grow on demand, in one place.
// The test programs are built a second time with VELTRIX_TINY_BUFFERS, where
// every one of them is as small as it can be, so that each test also runs the
// growth paths (a code block doubling, a new vertex block, a new chunk, a large
// block from the system) that ordinary inputs rarely reach.
#include <cstddef>
#include <cstdint>

namespace vx::tuning {

#ifdef VELTRIX_TINY_BUFFERS
inline constexpr bool kTiny = true;
#else
inline constexpr bool kTiny = false;
#endif

// The smallest chunk the allocator carves from; blocks above the chunk size come
// from the system one by one.
inline constexpr std::size_t kAllocatorChunk = kTiny ? 4096 : 65536;
// Bytes of a compiled-code block when compilation starts (header included); it
// doubles when full.
inline constexpr std::uint32_t kCodeBlockStart = kTiny ? 48 : 64;  // tiny: one instruction
// Vertices the grid walk's vertex pool takes from the allocator at a time.
inline constexpr std::size_t kVertexBlock = kTiny ? 2 : 1024;
// Bytes the binary graph-file writer gathers before writing them to its sink.
inline constexpr std::size_t kBinaryWriteBuffer = kTiny ? 1 : 1024;
// Slots of the interpreter's stack kept on the machine stack; deeper code uses
// a larger scratch stack.
inline constexpr std::uint32_t kFastStackDepth = kTiny ? 2 : 32;
// Bytes of a stored text's first block of lines; later blocks double up to 256 KiB.
inline constexpr std::size_t kTextBlockStart = kTiny ? 1 : 4096;  // tiny: a block per line at first

}  // namespace vx::tuning
