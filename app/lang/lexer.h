#pragma once
// The lexer: cuts the text of one command into tokens. A command ends with its
// line unless parentheses are open, in which case it goes on with the next line
// (that line is then consumed by the command); `;` ends the line early.
#include <cstddef>

#include "lang/keywords.h"

namespace vx {

struct Token {
  TokenKind kind = kTokenInvalid;
  ExprNode* node = nullptr;      // number, string (new nodes), constant, derived, error
  ValueCell* cell = nullptr;     // kTokenCell
  const NodeOps* ops = nullptr;  // function names
  const GraphCommandRecord* record = nullptr;
};

inline constexpr std::size_t kMaxNameLength = 32;

class Lexer {
 public:
  Lexer(LangState& state, const SourceLine* line);

  // The next token; number and string tokens carry a new node that the caller owns.
  Token next();

  // The first line after the command (lines consumed by continuation excluded).
  const SourceLine* nextLine() const { return nextLine_; }

 private:
  bool atLineEnd() const { return pos_ == end_ || *pos_ == ';'; }
  bool continueOnNextLine();
  Token number();
  Token string();
  Token name();
  Token pair(char second, TokenKind withSecond, TokenKind alone);

  LangState& state_;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  const SourceLine* nextLine_ = nullptr;
  std::int32_t depth_ = 0;
};

}  // namespace vx
