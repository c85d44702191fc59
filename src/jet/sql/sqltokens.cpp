// SPDX-License-Identifier: GPL-3.0-or-later
// Tokenizer of the SQL subset.
#include "jet/sql/sqltokens.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace Qb::Jet {

namespace {

// Letters, digits, "_" and every byte of a multi-byte UTF-8 character.
constexpr std::array<bool, 256> wordBytes = [] {
    std::array<bool, 256> word{};
    for (int c = 0; c < 256; ++c)
        word[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
    return word;
}();

bool isWordByte(unsigned char c) { return wordBytes[c]; }

// One scan to the closing quote: the literal is a view between its quotes, unescaped later.
Result<Token> textLiteral(std::string_view sql, std::size_t &i)
{
    Token t{Token::Kind::Text, {}, false, 0, 0, i};
    const std::size_t start = i + 1;
    for (std::size_t at = start;;) {
        const std::size_t quote = sql.find('\'', at);
        if (quote == std::string_view::npos)
            return std::unexpected(syntaxError("unterminated text literal", t.position));
        if (quote + 1 < sql.size() && sql[quote + 1] == '\'') {
            t.doubledQuote = true;
            at = quote + 2;
            continue;
        }
        t.text = sql.substr(start, quote - start);
        i = quote + 1;
        return t;
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An integer, or a number with a fraction or an exponent (then Number, kept as written too).
Result<Token> numberLiteral(std::string_view sql, std::size_t &i)
{
    Token t{Token::Kind::Integer, {}, false, 0, 0, i};
    const std::size_t start = i;
    if (sql[i] == '-')
        ++i;
    while (i < sql.size() && isDigit(sql[i]))
        ++i;
    bool fraction = false;
    if (i + 1 < sql.size() && sql[i] == '.' && isDigit(sql[i + 1])) {
        fraction = true;
        for (++i; i < sql.size() && isDigit(sql[i]);)
            ++i;
    }
    if (i + 1 < sql.size() && (sql[i] == 'e' || sql[i] == 'E')
        && (isDigit(sql[i + 1]) || ((sql[i + 1] == '-' || sql[i + 1] == '+') && i + 2 < sql.size() && isDigit(sql[i + 2])))) {
        fraction = true;
        for (i += 2; i < sql.size() && isDigit(sql[i]);)
            ++i;
    }
    const char *first = sql.data() + start;
    const char *last = sql.data() + i;
    const auto [ptr, ec] = fraction ? std::from_chars(first, last, t.number) : std::from_chars(first, last, t.integer);
    if (ec != std::errc() || ptr != last || (i < sql.size() && isWordByte(sql[i])))
        return std::unexpected(syntaxError("malformed number", start));
    t.text = sql.substr(start, i - start);
    if (fraction)
        t.kind = Token::Kind::Number;
    return t;
}

// Days from 1899-12-30 to the civil date (proleptic Gregorian calendar).
std::int64_t daysFromEpoch(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468 + 25569;
}

bool readField(std::string_view text, std::size_t &at, std::size_t digits, int &value)
{
    if (at + digits > text.size())
        return false;
    const auto [ptr, ec] = std::from_chars(text.data() + at, text.data() + at + digits, value);
    if (ec != std::errc() || ptr != text.data() + at + digits)
        return false;
    at += digits;
    return true;
}

// "yyyy-mm-dd" with an optional " hh:mm[:ss]", as a Jet day number: whole days, then the time
// of day as a fraction (before 1899-12-30 the fraction counts away from zero, as Jet stores it).
std::optional<double> parseDate(std::string_view text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    std::size_t at = 0;
    auto separator = [&](char c) { return at < text.size() && text[at] == c && ++at; };
    if (!readField(text, at, 4, y) || !separator('-') || !readField(text, at, 2, mo) || !separator('-')
        || !readField(text, at, 2, d))
        return std::nullopt;
    if (at < text.size()) {
        if (!separator(' ') || !readField(text, at, 2, h) || !separator(':') || !readField(text, at, 2, mi))
            return std::nullopt;
        if (at < text.size() && (!separator(':') || !readField(text, at, 2, sec)))
            return std::nullopt;
    }
    static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (at != text.size() || mo < 1 || mo > 12 || d < 1 || d > monthDays[mo - 1] || (mo == 2 && d == 29 && !leap)
        || h > 23 || mi > 59 || sec > 59 || y < 100)
        return std::nullopt;
    const double days = double(daysFromEpoch(y, unsigned(mo), unsigned(d)));
    const double time = (h * 3600 + mi * 60 + sec) / 86400.0;
    return days < 0 ? days - time : days + time;
}

Result<Token> dateLiteral(std::string_view sql, std::size_t &i)
{
    const std::size_t close = sql.find('#', i + 1);
    if (close == std::string_view::npos)
        return std::unexpected(syntaxError("unterminated #date#", i));
    const auto days = parseDate(sql.substr(i + 1, close - i - 1));
    if (!days)
        return std::unexpected(syntaxError("expected a date as #yyyy-mm-dd hh:mm:ss#", i));
    Token t{Token::Kind::Date, sql.substr(i, close + 1 - i), false, 0, *days, i};
    i = close + 1;
    return t;
}

Result<Token> symbolToken(std::string_view sql, std::size_t &i)
{
    const char c = sql[i];
    const char n = i + 1 < sql.size() ? sql[i + 1] : '\0';
    if ((c == '<' && (n == '=' || n == '>')) || (c == '>' && n == '=')) {
        Token t{Token::Kind::Symbol, sql.substr(i, 2), false, 0, 0, i};
        i += 2;
        return t;
    }
    if (c == '*' || c == ',' || c == '(' || c == ')' || c == '=' || c == '<' || c == '>')
        return Token{Token::Kind::Symbol, sql.substr(i, 1), false, 0, 0, i++};
    return std::unexpected(syntaxError(std::string("unexpected character '") + c + "'", i));
}

// What a token starting with each byte can be.
enum class Start : std::uint8_t { Other, Space, Quote, Digit, Minus, Hash, Bracket, Word, Symbol };

constexpr std::array<Start, 256> starts = [] {
    std::array<Start, 256> start{};
    for (int c = 0; c < 256; ++c)
        if (wordBytes[c])
            start[c] = c >= '0' && c <= '9' ? Start::Digit : Start::Word;
    for (const unsigned char c : {' ', '\t', '\r', '\n'})
        start[c] = Start::Space;
    start['\''] = Start::Quote;
    start['-'] = Start::Minus;
    start['#'] = Start::Hash;
    start['['] = Start::Bracket;
    for (const unsigned char c : {'*', ',', '(', ')', '='})
        start[c] = Start::Symbol; // a symbol of one byte whatever follows
    return start;
}();

Start startOf(char c) { return starts[static_cast<unsigned char>(c)]; }

Result<Token> nameToken(std::string_view sql, std::size_t &i)
{
    const std::size_t close = sql.find(']', i + 1);
    if (close == std::string_view::npos || close == i + 1)
        return std::unexpected(syntaxError("malformed [name]", i));
    Token t{Token::Kind::Name, sql.substr(i + 1, close - i - 1), false, 0, 0, i};
    i = close + 1;
    return t;
}

// Any token but a word, a one-byte symbol or the end.
Result<Token> otherToken(std::string_view sql, std::size_t &i)
{
    switch (startOf(sql[i])) {
    case Start::Quote: return textLiteral(sql, i);
    case Start::Minus:
        if (i + 1 == sql.size() || !isDigit(sql[i + 1]))
            return symbolToken(sql, i);
        return numberLiteral(sql, i);
    case Start::Digit: return numberLiteral(sql, i);
    case Start::Hash: return dateLiteral(sql, i);
    case Start::Bracket: return nameToken(sql, i);
    default: return symbolToken(sql, i);
    }
}

} // namespace

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return out;
}

Error syntaxError(const std::string &what, std::size_t position)
{
    return Error{ErrorCode::SqlSyntax, what + " at offset " + std::to_string(position)};
}

bool sameWord(std::string_view word, std::string_view keyword)
{
    return word.size() == keyword.size() && std::ranges::equal(word, keyword, {}, [](char c) {
               return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
           });
}

bool isKeyword(std::string_view word)
{
    static constexpr std::string_view keywords[] = {"select", "from", "where", "and", "like", "insert", "into",
                                                    "values", "update", "set", "delete", "or", "not", "order", "by",
                                                    "is", "null", "in", "between", "as", "group", "distinct", "top",
                                                    "true", "false"};
    // Every statement names its columns: most names are no keyword, and a name that starts
    // beyond ASCII (as every Chinese one does) is none at all.
    if (word.empty() || static_cast<unsigned char>(word[0]) >= 0x80)
        return false;
    return std::ranges::any_of(keywords, [word](std::string_view k) { return sameWord(word, k); });
}

std::string literalText(const Token &t)
{
    if (!t.doubledQuote)
        return std::string(t.text);
    std::string out;
    out.reserve(t.text.size());
    for (std::size_t at = 0; at < t.text.size();) {
        const std::size_t quote = std::min(t.text.find('\'', at), t.text.size());
        out.append(t.text.substr(at, quote - at));
        if (quote == t.text.size())
            break;
        out += '\'';
        at = quote + 2; // the quote and its double
    }
    return out;
}

// Words and one-byte symbols, most of a statement's tokens, are read here without a call.
bool Lexer::next(Token &t)
{
    std::size_t &i = m_at;
    while (i < m_sql.size() && startOf(m_sql[i]) == Start::Space)
        ++i;
    if (i >= m_sql.size()) {
        t = Token{Token::Kind::End, {}, false, 0, 0, i};
        return true;
    }
    const Start start = startOf(m_sql[i]);
    if (start == Start::Word) {
        const std::size_t first = i;
        while (i < m_sql.size() && isWordByte(static_cast<unsigned char>(m_sql[i])))
            ++i;
        t = Token{Token::Kind::Word, m_sql.substr(first, i - first), false, 0, 0, first};
        return true;
    }
    if (start == Start::Symbol) {
        t = Token{Token::Kind::Symbol, m_sql.substr(i, 1), false, 0, 0, i};
        ++i;
        return true;
    }
    return nextOther(t);
}

bool Lexer::nextOther(Token &t)
{
    auto other = otherToken(m_sql, m_at);
    if (!other) {
        m_error = std::move(other.error());
        return false;
    }
    t = *other;
    return true;
}

} // namespace Qb::Jet
