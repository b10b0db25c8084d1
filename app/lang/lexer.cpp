#include "lang/lexer.h"

#include "lang/mathlib.h"

namespace vx {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool hasExponent(const char* literal, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (lower(literal[i]) == 'e') return true;
  return false;
}

Token simple(TokenKind kind) {
  Token t;
  t.kind = kind;
  return t;
}

Token invalid() {
  Token t;
  t.kind = kTokenInvalid;
  t.node = &kErrorNode;
  return t;
}

// Single-character tokens.
TokenKind singleCharacterKind(char c) {
  switch (c) {
    case '(': return kTokenOpen;
    case ')': return kTokenClose;
    case '*': return kTokenTimes;
    case '+': return kTokenPlus;
    case ',': return kTokenComma;
    case '-': return kTokenMinus;
    case '/': return kTokenDivide;
    case '!': return kTokenFactorial;
    case '&': return kTokenAnd;
    case '%': return kTokenPercent;
    case '^': return kTokenPower;
    case '|': return kTokenBar;
    case '=': return kTokenEqual;
    default: return kTokenInvalid;
  }
}

}  // namespace

Lexer::Lexer(LangState& state, const SourceLine* line) : state_(state) {
  if (line) {
    pos_ = line->text();
    end_ = line->text() + line->length;
    nextLine_ = line->next;
  }
}

bool Lexer::continueOnNextLine() {
  if (!nextLine_ || !state_.releaseProfile->continuedCommands) return false;
  pos_ = nextLine_->text();
  end_ = nextLine_->text() + nextLine_->length;
  nextLine_ = nextLine_->next;
  return true;
}

Token Lexer::next() {
  for (;;) {
    if (atLineEnd()) {
      if (depth_ == 0) return simple(kTokenEnd);
      if (!continueOnNextLine()) return invalid();
      continue;
    }
    if (*pos_ == ' ') {
      ++pos_;
      continue;
    }
    break;
  }
  char c = *pos_;
  if (c == '(') ++depth_;
  if (c == ')') --depth_;
  TokenKind kind = singleCharacterKind(c);
  if (kind != kTokenInvalid) {
    ++pos_;
    return simple(kind);
  }
  switch (c) {
    case ':': return pair('=', kTokenAssign, kTokenInvalid);
    case '<': return pair('=', kTokenLessEqual, kTokenLess);
    case '>': return pair('=', kTokenGreaterEqual, kTokenGreater);
    case '"': return string();
    default: break;
  }
  if (isDigit(c) || (c == '.' && pos_ + 1 < end_ && isDigit(pos_[1]))) return number();
  if (isLetter(c)) return name();
  return invalid();
}

Token Lexer::pair(char second, TokenKind withSecond, TokenKind alone) {
  ++pos_;
  if (pos_ < end_ && *pos_ == second) {
    ++pos_;
    return withSecond == kTokenInvalid ? invalid() : simple(withSecond);
  }
  return alone == kTokenInvalid ? invalid() : simple(alone);
}

Token Lexer::string() {
  const char* start = pos_ + 1;
  const char* close = start;
  while (close < end_ && *close != '"') ++close;
  if (close == end_) return invalid();
  pos_ = close + 1;
  Token t = simple(kTokenString);
  t.node = makeString(state_, start, static_cast<std::size_t>(close - start));
  return t;
}

// A letter E or e right after a number always belongs to it as an exponent, so a
// literal the number reader stops short of an E is refused rather than split.
Token Lexer::number() {
  double value = 0;
  std::size_t taken = parseNumberLiteral(pos_, static_cast<std::size_t>(end_ - pos_), &value);
  if (taken == 0) return invalid();
  if (!state_.releaseProfile->exponentNotation && hasExponent(pos_, taken)) return invalid();
  pos_ += taken;
  if (pos_ < end_ && lower(*pos_) == 'e') return invalid();
  Token t = simple(kTokenNumber);
  t.node = makeNumber(state_, value);
  return t;
}

Token Lexer::name() {
  char lowered[kMaxNameLength];
  std::size_t length = 0;
  while (pos_ < end_ && (isLetter(*pos_) || isDigit(*pos_) || *pos_ == '.')) {
    if (length == kMaxNameLength) return invalid();
    lowered[length++] = lower(*pos_++);
  }
  const KeywordEntry* entry = lookupKeyword({lowered, length});
  if (!entry || !keywordInRelease(*entry, *state_.releaseProfile)) return invalid();
  Token t = simple(entry->kind);
  switch (entry->kind) {
    case kTokenCell:
      t.cell = &state_.cells[entry->datum.cell];
      if (entry->datum.cell == kTime) state_.usesTime = true;
      break;
    case kTokenConstant:
    case kTokenDerived: t.node = entry->datum.node; break;
    case kTokenGraph3d: t.record = entry->datum.record; break;
    default: t.ops = entry->datum.ops; break;
  }
  return t;
}

}  // namespace vx
