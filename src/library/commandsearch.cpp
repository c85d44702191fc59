// SPDX-License-Identifier: GPL-3.0-or-later
// The library-wide command search.
#include "library/commandsearch.h"

#include "library/libraryschema.h"
#include "library/sqlhelper.h"
#include "library/sqlquote.h"
#include "library/treebuilder.h"
#include "library/treeitems.h"
#include "library/treerules.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <optional>
#include <vector>

namespace Qb::Library {

namespace {

// A category whose commands are not items yet. Its commands would follow the last item of its
// subtree (`end`); among categories ending at the same item the deeper one's come first.
struct Waiting
{
    int index = 0;
    int end = 0;
    int depth = 0;
};

// The categories not read yet whose commands would sit at or after `start` and before the item
// `before` (-1: no bound), in the order their commands would appear.
std::vector<Waiting> waitingBetween(const TreeItems &tree, int start, int before)
{
    std::vector<Waiting> out;
    std::vector<Waiting> open;
    auto close = [&](int end) {
        Waiting w = open.back();
        open.pop_back();
        w.end = end;
        if (w.end >= start && (before < 0 || w.end < before))
            out.push_back(w);
    };
    const int n = tree.count();
    for (int i = 0; i < n; ++i) {
        const int d = tree.depth(i);
        while (!open.empty() && open.back().depth >= d)
            close(i - 1);
        if (tree.isCategory(i) && !tree.commandsLoaded(i))
            open.push_back({i, 0, d});
    }
    while (!open.empty())
        close(n - 1);
    std::stable_sort(out.begin(), out.end(), [](const Waiting &a, const Waiting &b) {
        return a.end != b.end ? a.end < b.end : a.depth > b.depth;
    });
    return out;
}

// The longest run of the folded text that cannot contain the " #" between a name and its
// Chinese name: every match holds it inside the name or inside the Chinese name.
QString longestPiece(const QString &wanted)
{
    QString best;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= wanted.size(); ++i) {
        if (i == wanted.size() || wanted[i] == u' ' || wanted[i] == u'#') {
            if (i - from > best.size())
                best = wanted.mid(from, i - from);
            from = i + 1;
        }
    }
    return best;
}

// Answers "does the category numbered n hold a command whose text contains the wanted text?"
// Asks the library once for the rows whose name or Chinese name contains the longest piece
// (a "like" with '%' and '_' in the piece matching any character, so no match is lost), then
// applies the exact rule to each; without a piece it reads the category's commands.
class MatchingCategories
{
public:
    MatchingCategories(SqlHelper &store, const QString &wanted) : m_store(store), m_wanted(wanted) {}

    bool holds(qint64 number)
    {
        if (m_wanted.isEmpty())
            return hasCommands(m_store, number);
        const QString piece = longestPiece(m_wanted);
        if (piece.isEmpty())
            return readAndTest(number);
        if (!m_categories)
            m_categories = lookUp(piece);
        return m_categories->contains(QString::number(number));
    }

private:
    bool matches(const QString &name, const QString &chineseName) const
    {
        return foldLatin(commandItemText(name, chineseName)).contains(m_wanted);
    }
    bool readAndTest(qint64 number)
    {
        const std::vector<CommandEntry> rows = readCommands(m_store, number);
        return std::any_of(rows.begin(), rows.end(),
                           [&](const CommandEntry &r) { return matches(r.name, r.chineseName); });
    }
    QSet<QString> lookUp(const QString &piece)
    {
        QString pattern = piece;
        pattern.replace(u'%', u'_');
        pattern = u'%' + pattern + u'%';
        // One statement for both columns, reading only the three it needs: the engine builds
        // both name lookups by one pass and decodes no command body.
        const QString like = QStringLiteral(" like ") + sqlQuoted(pattern);
        const QString where = Schema::CommandName + like + QStringLiteral(" or ") + Schema::CommandChineseName + like;
        const QString fields = Schema::CommandCategory + u',' + Schema::CommandName + u',' + Schema::CommandChineseName;
        QSet<QString> found;
        const ResultSetHandle h = m_store.Select(Schema::CommandTable, fields, where);
        if (h == 0) {
            m_store.CloseResultSet();
            return found;
        }
        for (; !m_store.AtEnd(h); m_store.MoveNext(h)) {
            if (matches(m_store.FieldText(Schema::CommandName, h), m_store.FieldText(Schema::CommandChineseName, h)))
                found.insert(m_store.FieldText(Schema::CommandCategory, h));
        }
        m_store.CloseResultSet(h);
        return found;
    }

    SqlHelper &m_store;
    QString m_wanted;
    std::optional<QSet<QString>> m_categories;
};

} // namespace

void prepareCommandSearch(SqlHelper &store)
{
    // One statement that asks every column the search reads (分类 too: the search reads the
    // category of its hit) has the engine index those not indexed yet by one pass; it finds next
    // to nothing itself.
    QStringList empty;
    for (const QString &column : {Schema::CommandName, Schema::CommandChineseName, Schema::CommandCategory})
        empty.append(column + QStringLiteral(" like ''"));
    (void)store.Exists(Schema::CommandTable, Schema::CommandId, empty.join(QStringLiteral(" or ")));
}

int findCommandInLibrary(SqlHelper &store, TreeItems &tree, const QString &text)
{
    MatchingCategories library(store, foldLatin(text));
    const int start = std::max(tree.selection(), 0);
    // Each round either ends with the first hit among the items, or reads the first category
    // that holds a match before it; the next round then finds that match among the items.
    for (;;) {
        const int found = findCommand(tree, text);
        int read = -1;
        for (const Waiting &w : waitingBetween(tree, start, found)) {
            if (library.holds(tree.value(w.index))) {
                read = w.index;
                break;
            }
        }
        if (read < 0)
            return found;
        tree.ensureCommands(read);
        if (!tree.commandsLoaded(read))
            return found; // the tree cannot read commands: search what it holds
    }
}

} // namespace Qb::Library
