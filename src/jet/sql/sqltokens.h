// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting SQL text into tokens for the parser: words, [names], literals and symbols, each
// with its byte offset for error messages.
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Qb::Jet {

struct Token
{
    enum class Kind { Word, Name, Text, Integer, Number, Date, Symbol, End };
    Kind kind = Kind::End;
    std::string text;       // word, bracketed name, unescaped literal, number as written, or the symbol
    std::int64_t integer = 0;
    double number = 0;      // Number; Date: the Jet day number
    std::size_t position = 0;
};

// The tokens of `sql`, ending with one End token.
Result<std::vector<Token>> tokenize(std::string_view sql);

// SqlSyntax "<what> at offset <position>".
Error syntaxError(const std::string &what, std::size_t position);
std::string lower(std::string_view s);
// Words that cannot name a table or column unless bracketed.
bool isKeyword(const std::string &word);

} // namespace Qb::Jet
