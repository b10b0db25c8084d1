#include "base/dialogtemplate.h"

#include <initializer_list>

#include "base/utf.h"

namespace vx {

namespace {

constexpr std::uint8_t kCompactNumberMark = 0xFF;
constexpr std::uint16_t kExpandedNumberMark = 0xFFFF;

// Reads the compact form; every read checks the end, and a failed read leaves the
// reader failed so that a walk can check once per record.
class CompactReader {
 public:
  explicit CompactReader(std::string_view bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  bool atEnd() const { return pos_ == bytes_.size(); }

  std::uint32_t number(int size) {
    if (!take(size)) return 0;
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes_[pos_ - size + i]);
    return value;
  }

  std::string_view string() {
    const std::size_t end = ok_ ? bytes_.find('\0', pos_) : std::string_view::npos;
    if (end == std::string_view::npos) return fail();
    const std::string_view text = bytes_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return text;
  }

  TemplateName name() {
    if (ok_ && pos_ < bytes_.size() && static_cast<std::uint8_t>(bytes_[pos_]) == kCompactNumberMark) {
      ++pos_;
      return numbered(static_cast<std::uint16_t>(number(2)));
    }
    return named(string());
  }

  std::string_view bytes(std::size_t size) {
    if (!take(size)) return {};
    return bytes_.substr(pos_ - size, size);
  }

  std::string_view fail() {
    ok_ = false;
    return {};
  }

 private:
  bool take(std::size_t size) {
    if (!ok_ || bytes_.size() - pos_ < size) return ok_ = false;
    pos_ += size;
    return true;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// The first pass: only counts.
class SizeCounter {
 public:
  void number(std::uint32_t, int size) { size_ += size; }
  void bytes(std::string_view data) { size_ += data.size(); }
  void string(std::string_view utf8) { size_ += 2 * (utf8ToUtf16(utf8) + 1); }
  void align() { size_ = (size_ + 3) & ~std::size_t{3}; }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_ = 0;
};

// The second pass: writes into a buffer the first pass has sized.
class AligningWriter {
 public:
  explicit AligningWriter(std::uint8_t* out) : out_(out) {}

  void number(std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i, value >>= 8) out_[pos_++] = static_cast<std::uint8_t>(value);
  }
  void bytes(std::string_view data) {
    for (char c : data) out_[pos_++] = static_cast<std::uint8_t>(c);
  }
  void string(std::string_view utf8) {
    const std::u16string units = toUtf16(utf8);
    for (char16_t unit : units) number(unit, 2);
    number(0, 2);
  }
  void align() {
    while (pos_ % 4 != 0) out_[pos_++] = 0;
  }

 private:
  std::uint8_t* out_;
  std::size_t pos_ = 0;
};

template <class Out>
void copyNumbers(CompactReader& in, Out& out, std::initializer_list<int> sizes) {
  for (int size : sizes) out.number(in.number(size), size);
}

template <class Out>
void copyName(CompactReader& in, Out& out) {
  const TemplateName name = in.name();
  if (!name.numeric) return out.string(name.text);
  out.number(kExpandedNumberMark, 2);
  out.number(name.number, 2);
}

// One walk for both passes. The counting pass runs first and refuses a bad
// template, so the writing pass only ever sees sound ones.
template <class Out>
Status expand(std::string_view compact, Out& out) {
  CompactReader in(compact);
  const std::uint32_t style = in.number(4);
  out.number(style, 4);
  copyNumbers(in, out, {4});
  const std::uint32_t itemCount = in.number(2);
  out.number(itemCount, 2);
  copyNumbers(in, out, {2, 2, 2, 2});
  copyName(in, out);  // menu
  copyName(in, out);  // window class
  out.string(in.string());
  if (style & kDsSetFont) {
    copyNumbers(in, out, {2});
    out.string(in.string());
  }
  out.align();
  for (std::uint32_t i = 0; i < itemCount && in.ok(); ++i) {
    copyNumbers(in, out, {4, 4, 2, 2, 2, 2, 2});
    copyName(in, out);  // window class
    copyName(in, out);  // text
    const std::uint32_t creationSize = in.number(2);
    if (creationSize == 1) in.fail();
    out.number(creationSize, 2);
    if (creationSize >= 2) out.bytes(in.bytes(creationSize - 2));
    out.align();
  }
  return in.ok() && in.atEnd() ? kOk : kBadTemplate;
}

void appendNumber(std::string& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i, value >>= 8) out += static_cast<char>(value & 0xFF);
}

void appendString(std::string& out, std::string_view text) {
  out += text.substr(0, text.find('\0'));
  out += '\0';
}

void appendName(std::string& out, const TemplateName& name) {
  if (!name.numeric) return appendString(out, name.text);
  out += static_cast<char>(kCompactNumberMark);
  appendNumber(out, name.number, 2);
}

void appendRectangle(std::string& out, std::int16_t x, std::int16_t y, std::int16_t cx, std::int16_t cy) {
  for (std::int16_t value : {x, y, cx, cy}) appendNumber(out, static_cast<std::uint16_t>(value), 2);
}

}  // namespace

std::string buildCompactTemplate(const DialogHeader& header, std::span<const DialogItem> items) {
  std::string out;
  appendNumber(out, header.style, 4);
  appendNumber(out, header.exStyle, 4);
  appendNumber(out, static_cast<std::uint32_t>(items.size()), 2);
  appendRectangle(out, header.x, header.y, header.cx, header.cy);
  appendName(out, header.menu);
  appendName(out, header.windowClass);
  appendString(out, header.title);
  if (header.style & kDsSetFont) {
    appendNumber(out, header.pointSize, 2);
    appendString(out, header.face);
  }
  for (const DialogItem& item : items) {
    appendNumber(out, item.style, 4);
    appendNumber(out, item.exStyle, 4);
    appendRectangle(out, item.x, item.y, item.cx, item.cy);
    appendNumber(out, item.id, 2);
    appendName(out, item.windowClass);
    appendName(out, item.text);
    appendNumber(out, item.creationData.empty() ? 0 : static_cast<std::uint32_t>(item.creationData.size() + 2), 2);
    out += item.creationData;
  }
  return out;
}

Status expandedSize(std::string_view compact, std::size_t& size) {
  SizeCounter counter;
  const Status status = expand(compact, counter);
  if (failed(status)) return status;
  size = counter.size();
  return kOk;
}

Status expandTemplate(std::string_view compact, void* buffer, std::size_t size) {
  std::size_t needed = 0;
  const Status status = expandedSize(compact, needed);
  if (failed(status)) return status;
  if (size < needed) return kOutOfRange;
  AligningWriter writer(static_cast<std::uint8_t*>(buffer));
  return expand(compact, writer);
}

}  // namespace vx
