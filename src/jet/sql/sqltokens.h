// SPDX-License-Identifier: GPL-3.0-or-later
// Reading SQL text as tokens for the parser, one at a time: words, [names], literals and
// symbols, each a view of the text with its byte offset for error messages. Nothing is copied:
// a text literal is copied once, by literalText(), when the parser takes its value.
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Qb::Jet {

struct Token
{
    enum class Kind { Word, Name, Text, Integer, Number, Date, Symbol, End };
    Kind kind = Kind::End;
    // The word, the name inside its brackets, the literal inside its quotes (each '' still
    // doubled), the number or #date# as written, or the symbol; a view of the SQL text.
    std::string_view text;
    bool doubledQuote = false; // a Text literal holding ''
    std::int64_t integer = 0;
    double number = 0;         // Number; Date: the Jet day number
    std::size_t position = 0;
};

// A text literal's value: its text with each '' as one quote.
std::string literalText(const Token &t);

class Lexer
{
public:
    // `sql` must outlive the lexer and every token it gives.
    explicit Lexer(std::string_view sql) : m_sql(sql) {}
    // Reads the next token into `t`: at the end of the text an End token, and again on every
    // later call. False where the text cannot be read as a token; error() then tells why.
    bool next(Token &t);
    const Error &error() const { return m_error; }

private:
    bool nextOther(Token &t);

    std::string_view m_sql;
    std::size_t m_at = 0;
    Error m_error{ErrorCode::SqlSyntax, {}};
};

// SqlSyntax "<what> at offset <position>".
Error syntaxError(const std::string &what, std::size_t position);
std::string lower(std::string_view s);
// Whether `word` is `keyword` (written in lower case) in any letter case.
bool sameWord(std::string_view word, std::string_view keyword);
// Words that cannot name a table or column unless bracketed.
bool isKeyword(std::string_view word);

} // namespace Qb::Jet
