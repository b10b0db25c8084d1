#pragma once
// Every bound of the system in one place: what one graph text, graph file or data
// file can make the program hold. Each bound is chosen so that what it limits
// stays far inside the address space of the 32-bit Windows program (2 GiB); the
// checks at the end prove that at compile time for both builds.
//
// Sizes that depend on input are computed in 64 bits with the saturating helpers
// below and compared with a bound before anything is converted to size_t or
// allocated, so no count from a graph text can wrap a 32-bit size.
#include <cstddef>
#include <cstdint>
#include <limits>

namespace vx {

// ---- Graph text -------------------------------------------------------------

// The line buffer holds 36,864 bytes, so a line has at most 36,863 characters.
inline constexpr std::size_t kLineBufferSize = 36864;
inline constexpr std::size_t kMaxLineLength = kLineBufferSize - 1;
// A whole text, as read from a graph file or taken from the Edit dialog: its
// characters (line ends included) and its stored lines. Real graph files are a
// few kilobytes; these leave room for generated ones a thousand times larger.
inline constexpr std::size_t kMaxTextBytes = std::size_t(16) << 20;
inline constexpr std::size_t kMaxTextLines = std::size_t(1) << 20;

// Parser bounds that keep every recursive routine over a tree (parse, fold,
// evaluate, compile, release) well inside a 2 MB stack: nested sums and factors
// (a parenthesis, bar or function argument holds a sum and a factor, two levels,
// so 499 parentheses nest; a sign or power exponent is one level) and the height
// of the tree (a chain like 1+1+1+... counts once per operator).
inline constexpr int kMaxNesting = 1000;
inline constexpr int kMaxTreeHeight = 1000;

// ---- Data files (read3dtextfile) --------------------------------------------

// Values in one array (64 MiB of floats), characters of one number, and the
// bytes of one data file.
inline constexpr std::uint32_t kMaxDataValues = std::uint32_t{1} << 24;
inline constexpr std::size_t kMaxDataNumberLength = 64;
inline constexpr std::size_t kMaxDataFileBytes = std::size_t(256) << 20;
// Values of all the arrays one execution reads together (128 MiB of floats):
// a text may name many files, or the same one many times.
inline constexpr std::uint64_t kMaxDataValuesPerExecution = std::uint64_t{1} << 25;

// ---- Render job --------------------------------------------------------------

// Grid points along one axis, and the per-redraw sample storage of the grid walk.
inline constexpr std::int32_t kMaxAxisPoints = 1024;
inline constexpr std::size_t kMaxSampleStoreBytes = std::size_t(128) << 20;
// The most bytes the grid walk keeps per grid point of one graph (its sample
// plane); gridwalk.cpp checks its layout against it.
inline constexpr std::size_t kMaxSamplePointBytes = 64;
// Parameter steps along u or v, and steps u x v summed over all forms of one
// command: every form lands in the one depth-sorted list of a redraw.
inline constexpr std::int32_t kMaxParameterSteps = 65536;
inline constexpr std::int64_t kMaxParameterCells = std::int64_t(1) << 18;
inline constexpr std::int32_t kDefaultParameterSteps = 40;
// Records of the depth-sorted list: a last guard, past which later primitives
// are dropped. A parameter cell makes at most two triangles, each cut by the six
// faces of the box into at most seven, and two mesh segments; the bound is what
// the largest mesh the job allows can make.
inline constexpr std::size_t kMaxDepthRecordsPerCell = 2 * 7 + 2;
inline constexpr std::size_t kMaxDepthRecords = std::size_t(kMaxParameterCells) * kMaxDepthRecordsPerCell;

// ---- Pictures ----------------------------------------------------------------

// Pixels along one side of a picture the command-line tool draws.
inline constexpr std::int32_t kMaxPictureSide = 16384;
inline constexpr std::size_t kMaxPixelBytes = 4;

// ---- Size arithmetic -----------------------------------------------------------

inline constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint64_t>::max();

// a x b, or kSaturated when the product does not fit 64 bits.
constexpr std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > kSaturated / a) return kSaturated;
  return a * b;
}
template <class... Rest>
constexpr std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b, Rest... rest) {
  return saturatingProduct(saturatingProduct(a, b), std::uint64_t(rest)...);
}

// a + b, or kSaturated when the sum does not fit 64 bits.
constexpr std::uint64_t saturatingSum(std::uint64_t a, std::uint64_t b) {
  return b > kSaturated - a ? kSaturated : a + b;
}

// n rounded up to a multiple of `alignment` (a power of two), saturating.
constexpr std::uint64_t saturatingAlignUp(std::uint64_t n, std::uint64_t alignment) {
  return n > kSaturated - (alignment - 1) ? kSaturated : (n + alignment - 1) & ~(alignment - 1);
}

// The largest block any one bound lets input make: half of the 2 GiB address
// space of the 32-bit program, so that a bounded structure, the program and the
// rest of a redraw always fit beside each other.
inline constexpr std::uint64_t kMaxBoundedBlock = std::uint64_t(1) << 30;

constexpr bool fitsWithRoom(std::uint64_t bytes) { return bytes <= kMaxBoundedBlock; }

// The 32-bit build's pointer size, for layouts checked against the 32-bit build
// whichever build compiles them.
inline constexpr std::size_t kPointerBytes32 = 4;

// ---- Compile-time checks --------------------------------------------------------

static_assert(saturatingProduct(kSaturated, 2) == kSaturated && saturatingProduct(0, kSaturated) == 0);
static_assert(saturatingProduct(std::uint64_t(1) << 32, std::uint64_t(1) << 32) == kSaturated);
static_assert(saturatingSum(kSaturated, 1) == kSaturated && saturatingAlignUp(kSaturated - 3, 16) == kSaturated);

// Text: its characters plus each line's record (lines.h keeps it within this).
inline constexpr std::size_t kMaxLineRecordOverhead = 32;
static_assert(fitsWithRoom(saturatingSum(kMaxTextBytes, saturatingProduct(kMaxTextLines, kMaxLineRecordOverhead))));
// Sample store: the bound itself, and one graph at the finest grid always fits it.
static_assert(fitsWithRoom(kMaxSampleStoreBytes));
static_assert(saturatingProduct(kMaxAxisPoints, kMaxAxisPoints, kMaxSamplePointBytes) <= kMaxSampleStoreBytes);
// Data arrays: one array, one file, and all arrays of an execution.
static_assert(kMaxDataValues <= kMaxDataValuesPerExecution);
static_assert(fitsWithRoom(saturatingProduct(kMaxDataValuesPerExecution, sizeof(float))));
static_assert(fitsWithRoom(kMaxDataFileBytes));
// A full array of one-digit values fits in a file.
static_assert(saturatingProduct(kMaxDataValues, 2) <= kMaxDataFileBytes);
// Pictures: 32-bit pixels of the largest picture.
static_assert(fitsWithRoom(saturatingProduct(kMaxPictureSide, kMaxPictureSide, kMaxPixelBytes)));

}  // namespace vx
