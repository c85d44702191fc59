// SPDX-License-Identifier: GPL-3.0-or-later
// Recursive-descent parser for the supported SQL subset.
#include "jet/sql/sqlparser.h"

#include "jet/sql/sqltokens.h"

#include <algorithm>
#include <array>

namespace Qb::Jet {

namespace {

ExprRef makeExpr(Expr e) { return std::make_shared<const Expr>(std::move(e)); }

Expr node(Expr::Kind kind, std::vector<ExprRef> operands = {}, bool negated = false, Expr::Op op = Expr::Op::Equal)
{
    Expr e;
    e.kind = kind;
    e.op = op;
    e.negated = negated;
    e.operands = std::move(operands);
    return e;
}

// Whether `e` is one of the program's own conditions: "col = 'text' | integer" or
// "col like 'pattern'".
bool isPlainCondition(const Expr &e)
{
    if (e.negated || e.operands.size() != 2 || e.operands[0]->kind != Expr::Kind::Column
        || e.operands[1]->kind != Expr::Kind::Constant)
        return false;
    const Literal::Kind k = e.operands[1]->literal.kind;
    if (e.kind == Expr::Kind::Like)
        return k == Literal::Kind::Text;
    return e.kind == Expr::Kind::Compare && e.op == Expr::Op::Equal
        && (k == Literal::Kind::Text || k == Literal::Kind::Integer);
}


// Reads the tokens as it goes, two at most ahead: a statement's tokens are never held together.
class Parser
{
public:
    explicit Parser(std::string_view sql) : m_lexer(sql) {}

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
            return std::unexpected(error(m_expectedNext.empty() ? std::string("expected the end of the statement")
                                                                : m_expectedNext + " or the end of the statement"));
        return s;
    }

    // The first token the text cannot be read as, even past where the statement failed: it is
    // reported before any error of the grammar, as the whole text's tokens come first.
    std::optional<Error> tokenError()
    {
        while (!m_tokenError && peek().kind != Token::Kind::End)
            advance();
        return m_tokenError;
    }

private:
    const Token &peek(std::size_t ahead = 0)
    {
        while (m_ahead <= ahead)
            read();
        return m_tokens[ahead];
    }
    // After the last token, or the first that cannot be read, End comes for every read.
    void read()
    {
        Token &t = m_tokens[m_ahead++];
        if (m_end) {
            t = *m_end;
            return;
        }
        if (!m_lexer.next(t)) {
            m_tokenError = m_lexer.error();
            t = Token{};
        }
        if (t.kind == Token::Kind::End)
            m_end = t;
    }
    void advance()
    {
        if (peek().kind == Token::Kind::End)
            return;
        if (--m_ahead)
            m_tokens[0] = m_tokens[1];
    }
    Error error(const std::string &what)
    {
        const Token &t = peek();
        const std::string near = t.kind == Token::Kind::End ? std::string("the end")
                               : t.kind == Token::Kind::Text ? "'" + literalText(t) + "'"
                                                             : "'" + std::string(t.text) + "'";
        return syntaxError(what + ", found " + near, t.position);
    }
    static bool isWord(const Token &t, std::string_view keyword)
    {
        return t.kind == Token::Kind::Word && sameWord(t.text, keyword);
    }
    bool acceptKeyword(std::string_view keyword)
    {
        if (isWord(peek(), keyword)) {
            advance();
            return true;
        }
        return false;
    }
    Result<void> keyword(std::string_view keyword)
    {
        if (acceptKeyword(keyword))
            return {};
        return std::unexpected(error("expected " + std::string(keyword)));
    }
    bool isSymbol(std::string_view symbol)
    {
        const Token &t = peek();
        return t.kind == Token::Kind::Symbol && t.text.size() == symbol.size() && t.text[0] == symbol[0]
            && (symbol.size() == 1 || t.text[1] == symbol[1]);
    }
    bool acceptSymbol(std::string_view symbol)
    {
        if (isSymbol(symbol)) {
            advance();
            return true;
        }
        return false;
    }
    Result<void> symbol(std::string_view symbol)
    {
        if (acceptSymbol(symbol))
            return {};
        return std::unexpected(error("expected '" + std::string(symbol) + "'"));
    }

    bool atIdentifier()
    {
        const Token &t = peek();
        return t.kind == Token::Kind::Name
            || (t.kind == Token::Kind::Word && !isKeyword(t.text) && !(t.text[0] >= '0' && t.text[0] <= '9'));
    }
    // A view of the SQL text.
    Result<std::string_view> identifier()
    {
        if (!atIdentifier())
            return std::unexpected(error("expected a table or column name"));
        const std::string_view name = peek().text;
        advance();
        return name;
    }

    bool atLiteral()
    {
        const Token &t = peek();
        return t.kind == Token::Kind::Text || t.kind == Token::Kind::Integer || t.kind == Token::Kind::Number
            || t.kind == Token::Kind::Date || isWord(t, "null") || isWord(t, "true") || isWord(t, "false");
    }
    Result<void> literal(Literal &l)
    {
        const Token &t = peek();
        if (t.kind == Token::Kind::Text) {
            l.text = literalText(t);
        } else if (t.kind == Token::Kind::Integer) {
            l.kind = Literal::Kind::Integer;
            l.integer = t.integer;
        } else if (t.kind == Token::Kind::Number || t.kind == Token::Kind::Date) {
            l.kind = t.kind == Token::Kind::Number ? Literal::Kind::Number : Literal::Kind::Date;
            l.number = t.number;
            l.text = t.text;
        } else if (isWord(t, "null")) {
            l.kind = Literal::Kind::Null;
        } else if (isWord(t, "true") || isWord(t, "false")) {
            l.kind = Literal::Kind::Boolean;
            l.integer = isWord(t, "true") ? 1 : 0;
        } else {
            return std::unexpected(error("expected a value ('text', a number, #date#, true, false or null)"));
        }
        advance();
        return {};
    }

    Result<std::vector<std::string>> identifierList()
    {
        std::vector<std::string> names;
        names.reserve(8); // room for a statement's usual names at once
        do {
            auto name = identifier();
            if (!name)
                return std::unexpected(name.error());
            names.emplace_back(*name);
        } while (acceptSymbol(","));
        return names;
    }

    // Conditions: or binds loosest, then and, then not; comparisons and predicates bind tightest.
    Result<ExprRef> orExpression()
    {
        auto left = andExpression();
        while (left && acceptKeyword("or")) {
            auto right = andExpression();
            if (!right)
                return right;
            left = makeExpr(node(Expr::Kind::Or, {*left, *right}, false));
        }
        return left;
    }
    Result<ExprRef> andExpression()
    {
        auto left = notExpression();
        while (left && acceptKeyword("and")) {
            auto right = notExpression();
            if (!right)
                return right;
            left = makeExpr(node(Expr::Kind::And, {*left, *right}, false));
        }
        return left;
    }
    Result<ExprRef> notExpression()
    {
        if (!acceptKeyword("not"))
            return predicate();
        auto inner = notExpression();
        if (!inner)
            return inner;
        return makeExpr(node(Expr::Kind::Not, {*inner}, false));
    }

    Result<ExprRef> operand()
    {
        if (atIdentifier()) {
            Expr e = node(Expr::Kind::Column);
            e.name = peek().text;
            advance();
            return makeExpr(std::move(e));
        }
        if (!atLiteral())
            return std::unexpected(error("expected a column name or a value"));
        Expr e = node(Expr::Kind::Constant);
        if (auto ok = literal(e.literal); !ok)
            return std::unexpected(ok.error());
        return makeExpr(std::move(e));
    }

    std::optional<Expr::Op> comparison()
    {
        static constexpr std::pair<std::string_view, Expr::Op> ops[] = {
            {"=", Expr::Op::Equal},     {"<>", Expr::Op::NotEqual},    {"<", Expr::Op::Less},
            {"<=", Expr::Op::LessEqual}, {">", Expr::Op::Greater}, {">=", Expr::Op::GreaterEqual}};
        for (const auto &[text, op] : ops)
            if (acceptSymbol(text))
                return op;
        return std::nullopt;
    }

    Result<ExprRef> predicate()
    {
        if (acceptSymbol("(")) {
            auto inner = orExpression();
            if (!inner)
                return inner;
            if (auto ok = symbol(")"); !ok)
                return std::unexpected(ok.error());
            return inner;
        }
        auto left = operand();
        if (!left)
            return left;
        if (auto op = comparison()) {
            auto right = operand();
            if (!right)
                return right;
            return makeExpr(node(Expr::Kind::Compare, {*left, *right}, false, *op));
        }
        if (acceptKeyword("is")) {
            const bool negated = acceptKeyword("not");
            if (auto ok = keyword("null"); !ok)
                return std::unexpected(error("expected null or not null after is"));
            return makeExpr(node(Expr::Kind::IsNull, {*left}, negated));
        }
        const bool negated = acceptKeyword("not");
        if (acceptKeyword("in"))
            return inList(*left, negated);
        if (acceptKeyword("between"))
            return between(*left, negated);
        if (acceptKeyword("like")) {
            if (peek().kind != Token::Kind::Text)
                return std::unexpected(error("expected a quoted pattern after like"));
            auto pattern = operand();
            if (!pattern)
                return pattern;
            return makeExpr(node(Expr::Kind::Like, {*left, *pattern}, negated));
        }
        return std::unexpected(error(negated ? "expected in, between or like after not"
                                             : "expected a comparison (=, <>, <, <=, >, >=), is, in, between or like"));
    }

    Result<ExprRef> inList(ExprRef left, bool negated)
    {
        if (auto ok = symbol("("); !ok)
            return std::unexpected(ok.error());
        Expr e = node(Expr::Kind::In, {std::move(left)}, negated);
        do {
            auto value = operand();
            if (!value)
                return value;
            e.operands.push_back(*value);
        } while (acceptSymbol(","));
        if (auto ok = symbol(")"); !ok)
            return std::unexpected(ok.error());
        return makeExpr(std::move(e));
    }

    Result<ExprRef> between(ExprRef left, bool negated)
    {
        auto low = operand();
        if (!low)
            return low;
        if (auto ok = keyword("and"); !ok)
            return std::unexpected(ok.error());
        auto high = operand();
        if (!high)
            return high;
        return makeExpr(node(Expr::Kind::Between, {std::move(left), *low, *high}, negated));
    }

    Result<void> where(Statement &s)
    {
        m_expectedNext = s.kind == StatementKind::Select ? "expected where, group by, order by" : "expected where";
        if (!acceptKeyword("where"))
            return {};
        auto condition = orExpression();
        if (!condition)
            return std::unexpected(condition.error());
        m_expectedNext = s.kind == StatementKind::Select ? "expected and, or, group by, order by" : "expected and, or";
        if (!plainConditions(**condition, s.where)) {
            s.where.clear();
            s.condition = *condition;
        }
        return {};
    }

    Result<void> tableName(Statement &s)
    {
        auto table = identifier();
        if (!table)
            return std::unexpected(table.error());
        s.table = *table;
        return {};
    }

    // An aggregate call (count(*), count(c), min, max, sum, avg), or nullopt when the next
    // tokens are not a name followed by "(".
    std::optional<SelectItem::Kind> aggregateName()
    {
        static constexpr std::pair<std::string_view, SelectItem::Kind> names[] = {
            {"count", SelectItem::Kind::Count}, {"min", SelectItem::Kind::Min}, {"max", SelectItem::Kind::Max},
            {"sum", SelectItem::Kind::Sum},     {"avg", SelectItem::Kind::Avg}};
        if (peek().kind != Token::Kind::Word || peek(1).kind != Token::Kind::Symbol || peek(1).text != "(")
            return std::nullopt;
        for (const auto &[name, kind] : names)
            if (sameWord(peek().text, name))
                return kind;
        return std::nullopt;
    }

    Result<SelectItem> selectItem()
    {
        SelectItem item;
        if (const auto aggregate = aggregateName()) {
            const std::string name = lower(peek().text);
            advance();
            advance();
            item.kind = *aggregate;
            if (item.kind == SelectItem::Kind::Count && acceptSymbol("*")) {
                item.kind = SelectItem::Kind::CountAll;
                item.alias = "count(*)";
            } else {
                auto column = identifier();
                if (!column)
                    return std::unexpected(column.error());
                item.column = *column;
                item.alias = name + "(" + item.column + ")";
            }
            if (auto ok = symbol(")"); !ok)
                return std::unexpected(ok.error());
        } else {
            auto column = identifier();
            if (!column)
                return std::unexpected(error("expected a column name, *, count, min, max, sum or avg"));
            item.column = *column;
        }
        if (acceptKeyword("as")) {
            auto alias = identifier();
            if (!alias)
                return std::unexpected(error("expected a name after as"));
            item.alias = *alias;
        }
        return item;
    }

    Result<void> selectList(Statement &s)
    {
        if (acceptSymbol("*")) {
            s.allColumns = true;
            return {};
        }
        std::vector<SelectItem> items;
        do {
            auto item = selectItem();
            if (!item)
                return std::unexpected(item.error());
            items.push_back(std::move(*item));
        } while (acceptSymbol(","));
        const bool plain = std::all_of(items.begin(), items.end(), [](const SelectItem &i) {
            return i.kind == SelectItem::Kind::Column && i.alias.empty();
        });
        if (!plain) {
            s.items = std::move(items);
            return {};
        }
        for (SelectItem &i : items)
            s.columns.push_back(std::move(i.column));
        return {};
    }

    Result<void> top(Statement &s)
    {
        if (!acceptKeyword("top"))
            return {};
        if (peek().kind != Token::Kind::Integer || peek().integer < 0)
            return std::unexpected(error("expected a row count after top"));
        s.top = std::uint64_t(peek().integer);
        advance();
        return {};
    }

    Result<void> groupBy(Statement &s)
    {
        if (!acceptKeyword("group"))
            return {};
        if (auto ok = keyword("by"); !ok)
            return ok;
        auto columns = identifierList();
        if (!columns)
            return std::unexpected(columns.error());
        s.groupBy = std::move(*columns);
        m_expectedNext = "expected order by";
        return {};
    }

    Result<void> orderBy(Statement &s)
    {
        if (!acceptKeyword("order"))
            return {};
        if (auto ok = keyword("by"); !ok)
            return ok;
        do {
            OrderKey key;
            if (peek().kind == Token::Kind::Integer) {
                if (peek().integer < 1)
                    return std::unexpected(error("expected a select-list position from 1"));
                key.position = std::size_t(peek().integer);
                advance();
            } else {
                auto column = identifier();
                if (!column)
                    return std::unexpected(error("expected a column name or a position"));
                key.column = *column;
            }
            if (acceptKeyword("desc"))
                key.descending = true;
            else
                acceptKeyword("asc");
            s.orderBy.push_back(std::move(key));
        } while (acceptSymbol(","));
        m_expectedNext = "expected ','";
        return {};
    }

    Result<void> select(Statement &s)
    {
        s.kind = StatementKind::Select;
        s.distinct = acceptKeyword("distinct");
        for (auto step : {&Parser::top, &Parser::selectList})
            if (auto ok = (this->*step)(s); !ok)
                return ok;
        if (auto ok = keyword("from"); !ok)
            return std::unexpected(error("expected ',', as or from"));
        for (auto step : {&Parser::tableName, &Parser::where, &Parser::groupBy, &Parser::orderBy})
            if (auto ok = (this->*step)(s); !ok)
                return ok;
        return {};
    }

    // `expected`: how many values the statement names columns for.
    Result<std::vector<Literal>> valueList(std::size_t expected)
    {
        std::vector<Literal> values;
        values.reserve(expected);
        do {
            if (auto ok = literal(values.emplace_back()); !ok)
                return std::unexpected(ok.error());
        } while (acceptSymbol(","));
        return values;
    }

    Result<void> insert(Statement &s)
    {
        s.kind = StatementKind::Insert;
        if (auto ok = keyword("into"); !ok)
            return ok;
        if (auto ok = tableName(s); !ok)
            return ok;
        if (auto ok = symbol("("); !ok)
            return ok;
        auto columns = identifierList();
        if (!columns)
            return std::unexpected(columns.error());
        s.columns = std::move(*columns);
        if (auto ok = symbol(")"); !ok)
            return ok;
        if (auto ok = keyword("values"); !ok)
            return ok;
        if (auto ok = symbol("("); !ok)
            return ok;
        auto values = valueList(s.columns.size());
        if (!values)
            return std::unexpected(values.error());
        s.values = std::move(*values);
        if (auto ok = symbol(")"); !ok)
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
            a.column = *column;
            if (auto ok = symbol("="); !ok)
                return ok;
            if (auto ok = literal(a.value); !ok)
                return ok;
            s.assignments.push_back(std::move(a));
        } while (acceptSymbol(","));
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

    Lexer m_lexer;
    std::array<Token, 2> m_tokens; // the tokens read ahead: the next one first
    std::size_t m_ahead = 0;       // how many of them are read
    std::optional<Token> m_end;    // End, once read
    std::optional<Error> m_tokenError;
    std::string m_expectedNext; // what could have followed the last complete part
};

} // namespace

bool plainConditions(const Expr &e, std::vector<Condition> &out)
{
    if (e.kind == Expr::Kind::And)
        return plainConditions(*e.operands[0], out) && plainConditions(*e.operands[1], out);
    if (!isPlainCondition(e))
        return false;
    out.push_back({e.operands[0]->name, e.kind == Expr::Kind::Like ? Condition::Op::Like : Condition::Op::Equal,
                   e.operands[1]->literal});
    return true;
}

Result<Statement> parseStatement(std::string_view sql)
{
    Parser parser(sql);
    auto statement = parser.statement();
    if (auto tokenError = parser.tokenError())
        return std::unexpected(std::move(*tokenError));
    return statement;
}

} // namespace Qb::Jet
