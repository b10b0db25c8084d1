#pragma once
// The graph text as stored lines: a doubly linked list of non-empty lines, each
// a 32-bit length, the bytes and a terminating zero. The file reader and the
// Edit dialog build it; command execution runs it; Edit and Save read it back.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vx {

// The line buffer holds 36,864 bytes, so a line has at most 36,863 characters.
inline constexpr std::size_t kLineBufferSize = 36864;
inline constexpr std::size_t kMaxLineLength = kLineBufferSize - 1;

struct SourceLine {
  SourceLine* next = nullptr;
  SourceLine* previous = nullptr;
  std::uint32_t length = 0;
  char* text = nullptr;  // length bytes and a zero byte

  std::string_view view() const { return {text, length}; }
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
    auto* link = new SourceLine;
    link->length = static_cast<std::uint32_t>(line.size());
    link->text = new char[line.size() + 1];
    std::memcpy(link->text, line.data(), line.size());
    link->text[line.size()] = 0;
    link->previous = last_;
    (last_ ? last_->next : first_) = link;
    last_ = link;
    ++count_;
  }

  void clear() {
    for (SourceLine* p = first_; p;) {
      SourceLine* next = p->next;
      delete[] p->text;
      delete p;
      p = next;
    }
    first_ = last_ = nullptr;
    count_ = 0;
  }

  void swap(LineList& other) noexcept {
    std::swap(first_, other.first_);
    std::swap(last_, other.last_);
    std::swap(count_, other.count_);
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
  SourceLine* first_ = nullptr;
  SourceLine* last_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace vx
