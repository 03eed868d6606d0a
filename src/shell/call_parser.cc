#include "shell/call_parser.h"

#include "shell/number_literal.h"

namespace vellaro {
namespace {

enum class TokenKind {
  kName,
  kString,
  kNumber,
  kPlus,
  kMinus,
  kOpen,
  kClose,
  kComma
};

struct Token {
  TokenKind kind;
  std::string text;      // a name as written, or a literal's characters
  NumberLiteral number;  // a number's value
};

// The one-character tokens.
struct Punctuation {
  char c;
  TokenKind kind;
};
constexpr Punctuation kPunctuation[] = {{'(', TokenKind::kOpen},
                                        {')', TokenKind::kClose},
                                        {',', TokenKind::kComma},
                                        {'+', TokenKind::kPlus},
                                        {'-', TokenKind::kMinus}};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }
bool StartsName(char c) { return IsLetter(c) || c == '_' || c == '?'; }
bool ContinuesName(char c) {
  return IsLetter(c) || IsDigit(c) || c == '_' || c == ':';
}
bool EndsName(char c) { return c == '#' || c == '$' || c == '"'; }

// Reads a name at `*pos`.
Token ReadName(std::string_view text, std::size_t* pos) {
  std::size_t start = (*pos)++;
  while (*pos < text.size() && ContinuesName(text[*pos])) ++*pos;
  if (*pos < text.size() && EndsName(text[*pos])) ++*pos;
  return Token{
      TokenKind::kName, std::string(text.substr(start, *pos - start)), {}};
}

// Reads a string literal at `*pos` (an apostrophe). Returns false when the
// text ends before the literal is closed.
bool ReadStringLiteral(std::string_view text, std::size_t* pos, Token* token) {
  *token = Token{TokenKind::kString, std::string(), {}};
  for (++*pos; *pos < text.size(); ++*pos) {
    if (text[*pos] != '\'') {
      token->text += text[*pos];
    } else if (*pos + 1 < text.size() && text[*pos + 1] == '\'') {
      token->text += '\'';
      ++*pos;
    } else {
      ++*pos;
      return true;
    }
  }
  return false;
}

// Reads the token at `*pos`. Returns false when no valid token starts there.
bool ReadToken(std::string_view text, std::size_t* pos, Token* token) {
  char c = text[*pos];
  for (const Punctuation& p : kPunctuation) {
    if (p.c == c) {
      *token = Token{p.kind, std::string(1, c), {}};
      ++*pos;
      return true;
    }
  }
  if (c == '\'') return ReadStringLiteral(text, pos, token);
  if (StartsName(c)) {
    *token = ReadName(text, pos);
    return true;
  }
  if (IsDigit(c) || c == '.') {
    *token = Token{TokenKind::kNumber, std::string(), {}};
    return ReadNumberLiteral(text, pos, &token->number);
  }
  return false;
}

// Reads the whole text into tokens; nothing when any part fails to read.
std::optional<std::vector<Token>> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t pos = 0;
  while (true) {
    while (pos < text.size() && IsBlankOrTab(text[pos])) ++pos;
    if (pos == text.size()) return tokens;
    Token token;
    if (!ReadToken(text, &pos, &token)) return std::nullopt;
    tokens.push_back(std::move(token));
  }
}

// An operand as matched: its signs and its literal, not yet worked out.
struct Operand {
  bool negated = false;
  bool is_signed = false;
  const Token* literal = nullptr;
};

// The text a literal with surrounding blanks read as a number stands for;
// any text that is not exactly one number literal counts as 0.
NumberLiteral NumberInText(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  std::size_t last = text.find_last_not_of(" \t");
  if (first == std::string_view::npos) return NumberLiteral{};
  std::string_view trimmed = text.substr(first, last - first + 1);
  NumberLiteral literal;
  std::size_t pos = 0;
  bool starts_number = IsDigit(trimmed[0]) || trimmed[0] == '.';
  if (!starts_number || !ReadNumberLiteral(trimmed, &pos, &literal) ||
      pos != trimmed.size()) {
    return NumberLiteral{};
  }
  return literal;
}

// The text an operand passes.
std::string OperandText(const Operand& operand) {
  if (operand.literal->kind == TokenKind::kNumber) {
    return NumberLiteralText(operand.literal->number, operand.negated);
  }
  if (!operand.is_signed) return operand.literal->text;
  return NumberLiteralText(NumberInText(operand.literal->text),
                           operand.negated);
}

// Matches the token list against the call form, one token at a time.
class Matcher {
 public:
  explicit Matcher(const std::vector<Token>& tokens) : tokens_(tokens) {}

  bool AtEnd() const { return next_ == tokens_.size(); }

  bool Take(TokenKind kind) {
    if (AtEnd() || tokens_[next_].kind != kind) return false;
    ++next_;
    return true;
  }

  const Token* TakeName() {
    return Take(TokenKind::kName) ? &tokens_[next_ - 1] : nullptr;
  }

  // Signs, then a string literal or a number.
  std::optional<Operand> TakeOperand() {
    Operand operand;
    for (bool sign = true; sign;) {
      if (Take(TokenKind::kMinus)) {
        operand.negated = !operand.negated;
        operand.is_signed = true;
      } else if (Take(TokenKind::kPlus)) {
        operand.is_signed = true;
      } else {
        sign = false;
      }
    }
    if (!Take(TokenKind::kString) && !Take(TokenKind::kNumber)) {
      return std::nullopt;
    }
    operand.literal = &tokens_[next_ - 1];
    return operand;
  }

  // "(" operand { "," operand } ")"
  std::optional<std::vector<Operand>> TakeArgumentList() {
    if (!Take(TokenKind::kOpen)) return std::nullopt;
    std::vector<Operand> operands;
    do {
      std::optional<Operand> operand = TakeOperand();
      if (!operand) return std::nullopt;
      operands.push_back(*operand);
    } while (Take(TokenKind::kComma));
    if (!Take(TokenKind::kClose)) return std::nullopt;
    return operands;
  }

 private:
  const std::vector<Token>& tokens_;
  std::size_t next_ = 0;
};

// Works out the argument texts, the last argument first; missing trailing
// parameters are the callee's business.
std::vector<std::string> ArgumentTexts(const std::vector<Operand>& operands) {
  std::vector<std::string> texts(operands.size());
  for (std::size_t i = operands.size(); i-- > 0;) {
    texts[i] = OperandText(operands[i]);
  }
  return texts;
}

}  // namespace

std::optional<CallExpression> ParseCallExpression(std::string_view text) {
  std::optional<std::vector<Token>> tokens = Tokenize(text);
  if (!tokens || tokens->empty()) return std::nullopt;
  Matcher matcher(*tokens);
  CallExpression expression;
  if (const Token* name = matcher.TakeName()) {
    std::optional<std::vector<Operand>> operands = matcher.TakeArgumentList();
    if (!operands || !matcher.AtEnd()) return std::nullopt;
    expression.is_call = true;
    expression.name = name->text;
    expression.arguments = ArgumentTexts(*operands);
    return expression;
  }
  std::optional<Operand> operand = matcher.TakeOperand();
  if (!operand || !matcher.AtEnd()) return std::nullopt;
  expression.value = OperandText(*operand);
  return expression;
}

bool IsNameToken(std::string_view text) {
  if (text.empty() || !StartsName(text[0])) return false;
  std::size_t pos = 0;
  return ReadName(text, &pos).text.size() == text.size();
}

}  // namespace vellaro
