// SPDX-License-Identifier: GPL-3.0-or-later
// The system catalog (MSysObjects, whose definition is always on page 2): the objects of the
// database and which of them are user tables. Layout: docs/jet-format.md, "System catalog".
#pragma once

#include "jet/jeterror.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Qb::Jet {

class PageCache;

inline constexpr std::uint32_t CatalogPage = 2;
inline constexpr std::int32_t TablesContainerId = 0x0F000001;
inline constexpr std::int16_t ObjectTypeTable = 1;

struct CatalogEntry
{
    std::int32_t id = 0;          // for a local table: its TDEF page (low 24 bits)
    std::int32_t parentId = 0;
    std::string name;             // UTF-8
    std::int16_t type = 0;
    std::uint32_t flags = 0;

    bool isTable() const { return type == ObjectTypeTable && parentId == TablesContainerId; }
    // A table the user made: not a Jet or Access system table, not a temporary one.
    bool isUserTable() const;
    std::uint32_t tablePage() const { return std::uint32_t(id) & 0x00FFFFFF; }
};

struct Catalog
{
    std::vector<CatalogEntry> entries; // in catalog scan order

    // The local table named `name` (letters case-insensitive), system tables included.
    std::optional<CatalogEntry> findTable(std::string_view name) const;
    std::vector<std::string> userTableNames() const;
};

// Reads MSysObjects. Corrupt when page 2 is not its definition (the columns Id, ParentId, Name,
// Type and Flags must be present) or a row cannot be decoded.
Result<Catalog> readCatalog(PageCache &pages);

} // namespace Qb::Jet
