#include "db/paradox/sql.h"

#include <cctype>

#include "db/engine.h"
#include "db/error.h"

namespace db::paradox {

namespace {

struct Token {
  enum class Type { Word, Quoted, Symbol, End } type;
  std::string text;
};

std::vector<Token> tokenize(const std::string& sql, const std::string& whole) {
  std::vector<Token> out;
  std::size_t i = 0;
  auto refuse = [&](const std::string& why) {
    return EngineError(errc::kNotSupported, "Lokalny SQL tabel Paradoxu: " + why + " w zapytaniu: " + whole);
  };
  while (i < sql.size()) {
    auto c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
      std::size_t start = i;
      while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' ||
                                sql[i] == '$' || static_cast<unsigned char>(sql[i]) >= 0x80))
        ++i;
      out.push_back({Token::Type::Word, sql.substr(start, i - start)});
    } else if (c == '"') {
      std::size_t end = sql.find('"', i + 1);
      if (end == std::string::npos) throw refuse("niezamknięty cudzysłów nazwy");
      out.push_back({Token::Type::Quoted, sql.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if (c == '(' || c == ')' || c == ',' || c == '*' || c == ';') {
      out.push_back({Token::Type::Symbol, std::string(1, static_cast<char>(c))});
      ++i;
    } else {
      throw refuse(std::string("nieoczekiwany znak '") + static_cast<char>(c) + "'");
    }
  }
  out.push_back({Token::Type::End, ""});
  return out;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::string sql) : t_(std::move(tokens)), sql_(std::move(sql)) {}

  LocalSelect parse() {
    LocalSelect s;
    keyword("SELECT");
    if (symbol("*")) {
      s.kind = LocalSelect::Kind::Star;
    } else if (peekKeyword("COUNT") && t_[pos_ + 1].text == "(") {
      pos_ += 2;
      expectSymbol("*");
      expectSymbol(")");
      s.kind = LocalSelect::Kind::Count;
      s.alias = optionalAlias();
    } else if (peekKeyword("MAX") && t_[pos_ + 1].text == "(") {
      pos_ += 2;
      s.kind = LocalSelect::Kind::Max;
      s.columns.push_back(name("nazwa pola"));
      expectSymbol(")");
      s.alias = optionalAlias();
    } else {
      s.kind = LocalSelect::Kind::Columns;
      do s.columns.push_back(name("nazwa pola"));
      while (symbol(","));
    }
    keyword("FROM");
    s.table = name("nazwa tabeli");
    symbol(";");
    if (t_[pos_].type != Token::Type::End)
      throw refuse("nieoczekiwane '" + t_[pos_].text + "' po nazwie tabeli");
    return s;
  }

 private:
  EngineError refuse(const std::string& why) const {
    return EngineError(
        errc::kNotSupported,
        "Lokalny SQL tabel Paradoxu obsługuje tylko SELECT *, listę pól, MAX(pole) lub COUNT(*) FROM "
        "jednej tabeli; " +
            why + " w zapytaniu: " + sql_);
  }
  bool peekKeyword(const char* kw) const {
    return t_[pos_].type == Token::Type::Word && equalsIgnoreCase(t_[pos_].text, kw);
  }
  void keyword(const char* kw) {
    if (!peekKeyword(kw)) throw refuse(std::string("oczekiwano ") + kw);
    ++pos_;
  }
  bool symbol(const char* s) {
    if (t_[pos_].type != Token::Type::Symbol || t_[pos_].text != s) return false;
    ++pos_;
    return true;
  }
  void expectSymbol(const char* s) {
    if (!symbol(s)) throw refuse(std::string("oczekiwano '") + s + "'");
  }
  std::string name(const char* what) {
    const Token& tok = t_[pos_];
    if (tok.type == Token::Type::Quoted && !tok.text.empty()) {
      ++pos_;
      return tok.text;
    }
    if (tok.type == Token::Type::Word && !peekKeyword("FROM") && !peekKeyword("SELECT")) {
      ++pos_;
      return tok.text;
    }
    throw refuse(std::string("oczekiwano: ") + what);
  }
  std::string optionalAlias() {
    if (!peekKeyword("AS")) return "";
    ++pos_;
    return name("nazwa kolumny po AS");
  }

  std::vector<Token> t_;
  std::string sql_;
  std::size_t pos_ = 0;
};

}  // namespace

LocalSelect parseLocalSelect(const std::string& sql) {
  return Parser(tokenize(sql, sql), sql).parse();
}

}  // namespace db::paradox
