// SPDX-License-Identifier: GPL-3.0-or-later
// Tokenizer and recursive-descent parser for the supported SQL subset.
#include "jet/sql/sqlparser.h"

#include <charconv>

namespace Qb::Jet {

namespace {

struct Token
{
    enum class Kind { Word, Name, Text, Integer, Symbol, End };
    Kind kind = Kind::End;
    std::string text;       // word, bracketed name, unescaped literal, or the symbol
    std::int64_t integer = 0;
    std::size_t position = 0;
};

bool isWordByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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

Result<Token> textLiteral(std::string_view sql, std::size_t &i)
{
    Token t{Token::Kind::Text, {}, 0, i};
    for (++i;;) {
        const std::size_t quote = sql.find('\'', i);
        if (quote == std::string_view::npos)
            return std::unexpected(syntaxError("unterminated text literal", t.position));
        t.text.append(sql.substr(i, quote - i));
        if (quote + 1 < sql.size() && sql[quote + 1] == '\'') {
            t.text += '\'';
            i = quote + 2;
        } else {
            i = quote + 1;
            return t;
        }
    }
}

Result<Token> integerLiteral(std::string_view sql, std::size_t &i)
{
    Token t{Token::Kind::Integer, {}, 0, i};
    const std::size_t start = i;
    if (sql[i] == '-')
        ++i;
    while (i < sql.size() && sql[i] >= '0' && sql[i] <= '9')
        ++i;
    auto [ptr, ec] = std::from_chars(sql.data() + start, sql.data() + i, t.integer);
    if (ec != std::errc() || ptr != sql.data() + i || (i < sql.size() && isWordByte(sql[i])))
        return std::unexpected(syntaxError("malformed number", start));
    return t;
}

Result<Token> nextToken(std::string_view sql, std::size_t &i)
{
    while (i < sql.size() && isSpace(sql[i]))
        ++i;
    if (i >= sql.size())
        return Token{Token::Kind::End, {}, 0, i};
    const char c = sql[i];
    if (c == '\'')
        return textLiteral(sql, i);
    if ((c >= '0' && c <= '9') || (c == '-' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9'))
        return integerLiteral(sql, i);
    if (c == '[') {
        const std::size_t close = sql.find(']', i + 1);
        if (close == std::string_view::npos || close == i + 1)
            return std::unexpected(syntaxError("malformed [name]", i));
        Token t{Token::Kind::Name, std::string(sql.substr(i + 1, close - i - 1)), 0, i};
        i = close + 1;
        return t;
    }
    if (isWordByte(static_cast<unsigned char>(c))) {
        const std::size_t start = i;
        while (i < sql.size() && isWordByte(static_cast<unsigned char>(sql[i])))
            ++i;
        return Token{Token::Kind::Word, std::string(sql.substr(start, i - start)), 0, start};
    }
    if (c == '*' || c == ',' || c == '(' || c == ')' || c == '=')
        return Token{Token::Kind::Symbol, std::string(1, c), 0, i++};
    return std::unexpected(syntaxError(std::string("unexpected character '") + c + "'", i));
}

bool isKeyword(const std::string &word)
{
    static const char *const keywords[] = {"select", "from", "where", "and", "like", "insert", "into",
                                           "values", "update", "set", "delete", "or", "not", "order", "by"};
    const std::string w = lower(word);
    for (const char *k : keywords)
        if (w == k)
            return true;
    return false;
}

class Parser
{
public:
    explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    Result<Statement> statement()
    {
        Statement s;
        Result<void> ok;
        if (acceptKeyword("select"))
            ok = select(s);
        else if (acceptKeyword("insert"))
            ok = insert(s);
        else if (acceptKeyword("update"))
            ok = update(s);
        else if (acceptKeyword("delete"))
            ok = remove(s);
        else
            return std::unexpected(error("expected select, insert, update or delete"));
        if (!ok)
            return std::unexpected(ok.error());
        if (peek().kind != Token::Kind::End)
            return std::unexpected(error("unexpected text after the statement"));
        return s;
    }

private:
    const Token &peek() const { return m_tokens[m_pos]; }
    void advance()
    {
        if (m_pos + 1 < m_tokens.size())
            ++m_pos;
    }
    Error error(const std::string &what) const
    {
        const Token &t = peek();
        const std::string near = t.kind == Token::Kind::End ? std::string("the end") : "'" + t.text + "'";
        return syntaxError(what + ", found " + near, t.position);
    }

    bool acceptKeyword(const char *keyword)
    {
        if (peek().kind == Token::Kind::Word && lower(peek().text) == keyword) {
            advance();
            return true;
        }
        return false;
    }
    Result<void> keyword(const char *keyword)
    {
        if (acceptKeyword(keyword))
            return {};
        return std::unexpected(error(std::string("expected ") + keyword));
    }
    bool acceptSymbol(char symbol)
    {
        if (peek().kind == Token::Kind::Symbol && peek().text[0] == symbol) {
            advance();
            return true;
        }
        return false;
    }
    Result<void> symbol(char symbol)
    {
        if (acceptSymbol(symbol))
            return {};
        return std::unexpected(error(std::string("expected '") + symbol + "'"));
    }

    Result<std::string> identifier()
    {
        const Token &t = peek();
        if (t.kind == Token::Kind::Name || (t.kind == Token::Kind::Word && !isKeyword(t.text)
                                            && !(t.text[0] >= '0' && t.text[0] <= '9'))) {
            std::string name = t.text;
            advance();
            return name;
        }
        return std::unexpected(error("expected a table or column name"));
    }

    Result<Literal> literal()
    {
        const Token &t = peek();
        Literal l;
        if (t.kind == Token::Kind::Text) {
            l.text = t.text;
        } else if (t.kind == Token::Kind::Integer) {
            l.kind = Literal::Kind::Integer;
            l.integer = t.integer;
        } else {
            return std::unexpected(error("expected a quoted text or a number"));
        }
        advance();
        return l;
    }

    Result<std::vector<std::string>> identifierList()
    {
        std::vector<std::string> names;
        do {
            auto name = identifier();
            if (!name)
                return std::unexpected(name.error());
            names.push_back(std::move(*name));
        } while (acceptSymbol(','));
        return names;
    }

    Result<void> where(Statement &s)
    {
        if (!acceptKeyword("where"))
            return {};
        do {
            Condition c;
            auto column = identifier();
            if (!column)
                return std::unexpected(column.error());
            c.column = std::move(*column);
            if (acceptKeyword("like")) {
                c.op = Condition::Op::Like;
                if (peek().kind != Token::Kind::Text)
                    return std::unexpected(error("expected a quoted pattern after like"));
            } else if (auto eq = symbol('='); !eq) {
                return std::unexpected(error("expected '=' or like"));
            }
            auto value = literal();
            if (!value)
                return std::unexpected(value.error());
            c.value = std::move(*value);
            s.where.push_back(std::move(c));
        } while (acceptKeyword("and"));
        return {};
    }

    Result<void> tableName(Statement &s)
    {
        auto table = identifier();
        if (!table)
            return std::unexpected(table.error());
        s.table = std::move(*table);
        return {};
    }

    Result<void> select(Statement &s)
    {
        s.kind = StatementKind::Select;
        if (acceptSymbol('*')) {
            s.allColumns = true;
        } else {
            auto columns = identifierList();
            if (!columns)
                return std::unexpected(columns.error());
            s.columns = std::move(*columns);
        }
        if (auto ok = keyword("from"); !ok)
            return ok;
        if (auto ok = tableName(s); !ok)
            return ok;
        return where(s);
    }

    Result<void> insert(Statement &s)
    {
        s.kind = StatementKind::Insert;
        if (auto ok = keyword("into"); !ok)
            return ok;
        if (auto ok = tableName(s); !ok)
            return ok;
        if (auto ok = symbol('('); !ok)
            return ok;
        auto columns = identifierList();
        if (!columns)
            return std::unexpected(columns.error());
        s.columns = std::move(*columns);
        if (auto ok = symbol(')'); !ok)
            return ok;
        if (auto ok = keyword("values"); !ok)
            return ok;
        if (auto ok = symbol('('); !ok)
            return ok;
        do {
            auto value = literal();
            if (!value)
                return std::unexpected(value.error());
            s.values.push_back(std::move(*value));
        } while (acceptSymbol(','));
        if (auto ok = symbol(')'); !ok)
            return ok;
        if (s.values.size() != s.columns.size())
            return std::unexpected(syntaxError("insert names " + std::to_string(s.columns.size())
                                                   + " columns but gives " + std::to_string(s.values.size())
                                                   + " values", 0));
        return {};
    }

    Result<void> update(Statement &s)
    {
        s.kind = StatementKind::Update;
        if (auto ok = tableName(s); !ok)
            return ok;
        if (auto ok = keyword("set"); !ok)
            return ok;
        do {
            Assignment a;
            auto column = identifier();
            if (!column)
                return std::unexpected(column.error());
            a.column = std::move(*column);
            if (auto ok = symbol('='); !ok)
                return ok;
            auto value = literal();
            if (!value)
                return std::unexpected(value.error());
            a.value = std::move(*value);
            s.assignments.push_back(std::move(a));
        } while (acceptSymbol(','));
        return where(s);
    }

    Result<void> remove(Statement &s)
    {
        s.kind = StatementKind::Delete;
        if (auto ok = keyword("from"); !ok)
            return ok;
        if (auto ok = tableName(s); !ok)
            return ok;
        return where(s);
    }

    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
};

} // namespace

Result<Statement> parseStatement(std::string_view sql)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    for (;;) {
        auto t = nextToken(sql, i);
        if (!t)
            return std::unexpected(t.error());
        tokens.push_back(std::move(*t));
        if (tokens.back().kind == Token::Kind::End)
            break;
    }
    return Parser(std::move(tokens)).statement();
}

} // namespace Qb::Jet
