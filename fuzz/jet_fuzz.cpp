// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: any bytes as a database file. Opening must fail cleanly or succeed; then every
// table is scanned whole, queried through an equality on its first Text column, and the whole
// file checked. Nothing may crash, hang or allocate beyond what the file's size justifies.
#include "jet/checker.h"
#include "jet/format/header.h"
#include "jet/sql/selectcursor.h"

#include <cstring>

using namespace Qb::Jet;

namespace {

// Clears the stored password (by writing the date mask over it) so mutated headers still
// reach the catalog and the tables instead of stopping at the password check.
void clearPassword(std::vector<std::uint8_t> &bytes)
{
    if (bytes.size() < PageSize)
        return;
    std::span<std::uint8_t> page0(bytes.data(), PageSize);
    applyHeaderMask(page0);
    double date;
    std::memcpy(&date, page0.data() + CreationDateOffset, sizeof date);
    const auto mask = passwordMask(date);
    for (std::size_t i = 0; i < PasswordLength; ++i)
        page0[PasswordOffset + i] = mask[i % 4];
    applyHeaderMask(page0);
}

void drain(Cursor &cursor)
{
    for (int rows = 0; !cursor.atEnd() && rows < 100000; ++rows) {
        for (std::size_t c = 0; c < cursor.columns().size(); ++c)
            (void)cursor.value(c);
        if (!cursor.next())
            return;
    }
}

void exercise(JetDatabase &db)
{
    for (const CatalogEntry &entry : db.catalog().entries) {
        if (!entry.isTable())
            continue;
        Statement all;
        all.table = entry.name;
        all.allColumns = true;
        if (auto cursor = db.select(all))
            drain(**cursor);
        auto def = db.tableDef(entry.name);
        if (!def)
            continue;
        for (const ColumnDef &column : (*def)->columns) {
            if (column.type != std::uint8_t(ColumnType::Text))
                continue;
            Statement eq = all;
            eq.where.push_back({column.name, Condition::Op::Equal, Literal{Literal::Kind::Text, "a", 0}});
            if (auto cursor = db.select(eq))
                drain(**cursor);
            break;
        }
    }
    (void)checkDatabase(db);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    clearPassword(bytes);
    auto db = JetDatabase::open(makeMemoryPageSource(std::move(bytes)), "", Database::Mode::ReadOnly);
    if (db)
        exercise(**db);
    (void)parseStatement(std::string_view(reinterpret_cast<const char *>(data), std::min<std::size_t>(size, 256)));
    return 0;
}
