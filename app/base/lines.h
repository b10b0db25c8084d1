#pragma once
// The graph text as stored lines: a doubly linked list of non-empty lines, each
// a record (the links and a 32-bit length) followed by the bytes and a zero
// byte. The file reader and the Edit dialog build it; command execution runs it;
// Edit and Save read it back.
//
// The records are carved one after another from large blocks that the list owns,
// so a stored text takes its own bytes and one small record per line (a heap block
// or two per line cost some forty times the text for short lines), and clearing
// the list is a handful of frees.
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "base/limits.h"
#include "base/tuning.h"

namespace vx {

struct SourceLine {
  SourceLine* next = nullptr;
  SourceLine* previous = nullptr;
  std::uint32_t length = 0;

  // The bytes follow the record: `length` of them and a zero byte.
  const char* text() const { return reinterpret_cast<const char*>(this + 1); }
  std::string_view view() const { return {text(), length}; }
};

class LineList {
 public:
  LineList() = default;
  LineList(const LineList&) = delete;
  LineList& operator=(const LineList&) = delete;
  LineList(LineList&& other) noexcept { swap(other); }
  LineList& operator=(LineList&& other) noexcept {
    if (this != &other) {
      clear();
      swap(other);
    }
    return *this;
  }
  ~LineList() { clear(); }

  // Appends a copy of `line`; empty lines are never stored.
  void append(std::string_view line) {
    if (line.empty()) return;
    auto* link = new (carve(recordBytes(line.size()))) SourceLine;
    link->length = static_cast<std::uint32_t>(line.size());
    char* bytes = reinterpret_cast<char*>(link + 1);
    std::memcpy(bytes, line.data(), line.size());
    bytes[line.size()] = 0;
    link->previous = last_;
    (last_ ? last_->next : first_) = link;
    last_ = link;
    ++count_;
  }

  void clear() {
    for (Block* block = newest_; block;) {
      Block* older = block->older;
      ::operator delete(block);
      block = older;
    }
    newest_ = nullptr;
    first_ = last_ = nullptr;
    count_ = 0;
    bytesHeld_ = 0;
    nextBlockBytes_ = kFirstBlockBytes;
  }

  void swap(LineList& other) noexcept {
    std::swap(first_, other.first_);
    std::swap(last_, other.last_);
    std::swap(count_, other.count_);
    std::swap(newest_, other.newest_);
    std::swap(bytesHeld_, other.bytesHeld_);
    std::swap(nextBlockBytes_, other.nextBlockBytes_);
  }

  // A text split at line feeds, a carriage return before one dropped, without the
  // checks of the graph-file reader: for texts the program itself writes, tests
  // and tools.
  static LineList fromText(std::string_view text) {
    LineList lines;
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.append(line);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
  }

  const SourceLine* first() const { return first_; }
  const SourceLine* last() const { return last_; }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // Bytes the list holds in its blocks, records and their slack included.
  std::size_t bytesHeld() const { return bytesHeld_; }

  // The lines joined with CR LF, as the Edit dialog shows them.
  std::string joined(std::string_view separator = "\r\n") const {
    std::string out;
    for (const SourceLine* p = first_; p; p = p->next) {
      if (p != first_) out += separator;
      out += p->view();
    }
    return out;
  }

 private:
  // A block of records; the records follow this header.
  struct Block {
    Block* older;
    std::size_t bytes;  // room for records
    std::size_t used;
  };
  // Blocks grow from a small one, which is all a typical graph text needs, to a
  // size whose unused tail wastes little beside even the longest line.
  static constexpr std::size_t kFirstBlockBytes = tuning::kTextBlockStart;
  static constexpr std::size_t kLargestBlockBytes = std::size_t(256) << 10;

  static constexpr std::size_t recordBytes(std::size_t length) {
    constexpr std::size_t align = alignof(SourceLine);
    static_assert(sizeof(SourceLine) + align <= kMaxLineRecordOverhead);
    return (sizeof(SourceLine) + length + 1 + align - 1) & ~(align - 1);
  }

  void* carve(std::size_t bytes) {
    if (!newest_ || newest_->bytes - newest_->used < bytes) addBlock(bytes);
    void* record = reinterpret_cast<unsigned char*>(newest_ + 1) + newest_->used;
    newest_->used += bytes;
    return record;
  }

  void addBlock(std::size_t atLeast) {
    static_assert(sizeof(Block) % alignof(SourceLine) == 0, "records start aligned after the header");
    const std::size_t bytes = atLeast > nextBlockBytes_ ? atLeast : nextBlockBytes_;
    auto* block = static_cast<Block*>(::operator new(sizeof(Block) + bytes));
    block->older = newest_;
    block->bytes = bytes;
    block->used = 0;
    newest_ = block;
    bytesHeld_ += sizeof(Block) + bytes;
    if (nextBlockBytes_ < kLargestBlockBytes) nextBlockBytes_ *= 2;
  }

  SourceLine* first_ = nullptr;
  SourceLine* last_ = nullptr;
  std::size_t count_ = 0;
  Block* newest_ = nullptr;
  std::size_t bytesHeld_ = 0;
  std::size_t nextBlockBytes_ = kFirstBlockBytes;
};

}  // namespace vx
