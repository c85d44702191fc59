// SPDX-License-Identifier: GPL-3.0-or-later
// Where clauses beyond the program's shapes: an expression compiled against a table's columns
// and tested on the rows of a cursor, with SQL's three-valued logic (a comparison with NULL is
// unknown; a row is kept only when its condition is true).
#pragma once

#include "jet/database.h"
#include "jet/format/tabledef.h"
#include "jet/sql/expression.h"
#include "jet/sql/likepattern.h"
#include "jet/sql/valueorder.h"

#include <optional>
#include <vector>

namespace Qb::Jet {

// The table columns a query reads, in the order its source cursor selects them.
class SourceColumns
{
public:
    explicit SourceColumns(const TableDef &table) : m_table(table) {}
    // The position of the named column, added when new. NoSuchColumn when the table has none.
    Result<std::size_t> add(const std::string &name);
    const ColumnDef &def(std::size_t position) const { return m_table.columns[m_columns[position]]; }
    std::size_t tableColumn(std::size_t position) const { return m_columns[position]; }
    std::size_t size() const { return m_columns.size(); }
    std::vector<std::string> names() const;
    const TableDef &table() const { return m_table; }

private:
    const TableDef &m_table;
    std::vector<std::size_t> m_columns;
};

enum class Truth { False, True, Unknown };

class CompiledCondition
{
public:
    // Resolves the expression's columns through `columns` (adding them) and checks that every
    // comparison is between values of one kind: TypeMismatch for text against a date, a number
    // against text that is not a number, and so on.
    static Result<CompiledCondition> compile(const Expr &expr, SourceColumns &columns);

    // `row` is positioned on a row of the source cursor, whose columns are `columns`.
    Truth evaluate(const Cursor &row) const;

private:
    struct Node
    {
        Expr::Kind kind = Expr::Kind::Constant;
        Expr::Op op = Expr::Op::Equal;
        bool negated = false;
        std::size_t source = 0;          // Column: position in the source columns
        const ColumnDef *column = nullptr;
        Literal literal;                 // Constant
        OrderValue constant;             // Constant, converted to the kind it is compared with
        std::optional<LikePattern> like; // Like
        std::vector<Node> children;
    };

    static Result<Node> compileNode(const Expr &e, SourceColumns &columns);
    static Result<void> harmonise(Node &a, Node &b);
    Truth evaluate(const Node &n, const Cursor &row) const;
    OrderValue operandValue(const Node &n, const Cursor &row) const;
    std::optional<int> compareOperands(const Node &a, const Node &b, const Cursor &row) const;

    Node m_root;
};

} // namespace Qb::Jet
