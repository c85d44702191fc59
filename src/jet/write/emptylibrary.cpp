// SPDX-License-Identifier: GPL-3.0-or-later
// The empty library's pages, laid out as the engine itself lays out a new database: header,
// global usage map, the four system table definitions, one page of usage-map rows, the index
// roots, the catalog and access-control rows; then the program's tables.
// Layout: docs/jet-format.md, "A new database".
#include "jet/write/emptylibrary.h"

#include "jet/format/bytewriter.h"
#include "jet/database.h"
#include "jet/format/datapagewriter.h"
#include "jet/format/generalsort.h"
#include "jet/format/headerwriter.h"
#include "jet/format/indexpagewriter.h"
#include "jet/format/rowwriter.h"
#include "jet/format/tdefwriter.h"
#include "jet/format/text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace Qb::Jet::EmptyLibrary {

namespace {

using CT = ColumnType;

struct ColumnShape
{
    const char *name;
    ColumnType type;
    std::uint16_t length; // bytes (Text: 2 × characters); 0 for memo and OLE
    std::uint8_t flags;
    std::uint8_t extFlags = 0;
};

struct IndexShape
{
    const char *name;
    std::vector<std::uint16_t> columns;
    std::uint8_t flags;
    std::uint8_t kind; // 1 primary key
};

struct TableShape
{
    const char *name;
    std::uint32_t id;      // object id = TDEF page
    std::uint8_t tableType;
    std::vector<ColumnShape> columns;
    std::vector<IndexShape> indexes;
};

constexpr std::uint8_t SysFixed = 0x13, SysVar = 0x12, SysSid = 0x32;
constexpr std::uint8_t UserKey = 0x07, UserVar = 0x02, Compressed = 0x01;
constexpr std::uint8_t TypeSystem = 'S', TypeUser = 'N';
constexpr std::uint8_t IndexUnique = 0x81, IndexObjectId = 0x88, IndexNonUnique = 0x82, IndexPrimary = 0x89;

constexpr std::uint32_t ContainerRoot = 0x0F000000, TablesContainer = 0x0F000001,
                        DatabasesContainer = 0x0F000002, RelationshipsContainer = 0x0F000003,
                        MSysDbId = 0x10000000;

// Page numbers of the file.
constexpr std::uint32_t GlobalMapPage = 1, MapRowsPage = 6, CatalogDataPage = 14, AceDataPage = 15,
                        FirstUserTdef = 16, PageCount = 24;

// The Jet system tables, with the columns, column numbers and indexes Jet gives them.
std::vector<TableShape> systemTables()
{
    return {
        {"MSysObjects", 2, TypeSystem,
         {{"Id", CT::Long, 4, SysFixed}, {"ParentId", CT::Long, 4, SysFixed}, {"Name", CT::Text, 510, SysVar},
          {"Type", CT::Integer, 2, SysFixed}, {"DateCreate", CT::DateTime, 8, SysFixed},
          {"DateUpdate", CT::DateTime, 8, SysFixed}, {"Owner", CT::Binary, 510, SysSid},
          {"Flags", CT::Long, 4, SysFixed}, {"Database", CT::Memo, 0, SysVar}, {"Connect", CT::Memo, 0, SysVar},
          {"ForeignName", CT::Text, 510, SysVar}, {"RmtInfoShort", CT::Binary, 510, SysVar},
          {"RmtInfoLong", CT::Ole, 0, SysVar}, {"Lv", CT::Ole, 0, SysVar}, {"LvProp", CT::Ole, 0, SysVar},
          {"LvModule", CT::Ole, 0, SysVar}, {"LvExtra", CT::Ole, 0, SysVar}},
         {{"ParentIdName", {1, 2}, IndexUnique, 0}, {"Id", {0}, IndexUnique, 1}}},
        {"MSysACEs", 3, TypeSystem,
         {{"ObjectId", CT::Long, 4, SysFixed}, {"SID", CT::Binary, 510, SysSid}, {"ACM", CT::Long, 4, SysFixed},
          {"FInheritable", CT::Boolean, 1, SysFixed}},
         {{"ObjectId", {0}, IndexObjectId, 0}}},
        {"MSysQueries", 4, TypeSystem,
         {{"ObjectId", CT::Long, 4, SysFixed}, {"Attribute", CT::Byte, 1, SysFixed}, {"Order", CT::Binary, 510, SysVar},
          {"Name1", CT::Text, 510, SysVar}, {"Name2", CT::Text, 510, SysVar}, {"Expression", CT::Memo, 0, SysVar},
          {"Flag", CT::Integer, 2, SysFixed}, {"LvExtra", CT::Long, 4, SysFixed}},
         {{"ObjectIdAttribute", {0, 1, 2}, IndexUnique, 1}}},
        {"MSysRelationships", 5, TypeSystem,
         {{"szRelationship", CT::Text, 510, SysVar}, {"grbit", CT::Long, 4, SysFixed},
          {"ccolumn", CT::Long, 4, SysFixed}, {"icolumn", CT::Long, 4, SysFixed},
          {"szObject", CT::Text, 510, SysVar}, {"szColumn", CT::Text, 510, SysVar},
          {"szReferencedObject", CT::Text, 510, SysVar}, {"szReferencedColumn", CT::Text, 510, SysVar}},
         {{"szRelationship", {0}, IndexNonUnique, 0}, {"szObject", {4}, IndexNonUnique, 0},
          {"szReferencedObject", {6}, IndexNonUnique, 0}}},
    };
}

ColumnShape key() { return {"ID", CT::Long, 4, UserKey}; }
ColumnShape text(const char *name, std::uint16_t chars) { return {name, CT::Text, std::uint16_t(2 * chars), UserVar, Compressed}; }
ColumnShape memo(const char *name) { return {name, CT::Memo, 0, UserVar, Compressed}; }

// The program's four tables. Every table: AutoNumber ID as primary key, nothing else indexed.
std::vector<TableShape> userTables()
{
    const std::vector<IndexShape> pk{{"PrimaryKey", {0}, IndexPrimary, 1}};
    return {
        {"分类表", FirstUserTdef, TypeUser,
         {key(), text("分类名", 50), text("序号", 12), text("父类", 12), text("说明", 255)}, pk},
        {"命令库", FirstUserTdef + 1, TypeUser,
         {key(), text("命令名", 255), text("中文名", 255), text("分类", 50), memo("说明"), text("类型", 50)}, pk},
        {"命令表", FirstUserTdef + 2, TypeUser, {key(), text("命令", 255), text("说明", 255)}, pk},
        {"关键字表", FirstUserTdef + 3, TypeUser,
         {key(), text("关键字", 255), text("颜色", 20), text("类别", 40)}, pk},
    };
}

TableDef defineTable(const TableShape &s)
{
    TableDef t;
    t.page = s.id;
    t.pages = {s.id};
    t.tableType = s.tableType;
    t.maxColumns = std::uint16_t(s.columns.size());
    std::uint16_t fixedOffset = 0, varIndex = 0;
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
        const ColumnShape &cs = s.columns[i];
        ColumnDef c;
        c.name = cs.name;
        c.type = std::uint8_t(cs.type);
        c.number = std::uint16_t(i);
        c.flags = cs.flags;
        c.extFlags = cs.extFlags;
        c.length = cs.length;
        c.sortOrder = GeneralSort::Lcid;
        if (!c.isFixed())
            c.varIndex = varIndex++;
        else if (cs.type != CT::Boolean) {
            c.fixedOffset = fixedOffset;
            fixedOffset = std::uint16_t(fixedOffset + cs.length);
        }
        t.columns.push_back(c);
    }
    for (std::size_t i = 0; i < s.indexes.size(); ++i) {
        RealIndexDef r;
        for (std::uint16_t col : s.indexes[i].columns)
            r.columns.push_back({col, true});
        r.flags = s.indexes[i].flags;
        t.realIndexes.push_back(r);
        t.logicalIndexes.push_back({s.indexes[i].name, std::uint32_t(i), std::uint32_t(i), s.indexes[i].kind});
    }
    // Jet lists logical indexes by name.
    std::sort(t.logicalIndexes.begin(), t.logicalIndexes.end(),
              [](const LogicalIndexDef &a, const LogicalIndexDef &b) { return a.name < b.name; });
    return t;
}

// The stored field of one catalog value: text as UCS-2 (or compressed where the column
// allows), binary as is, fixed types through the row writer.
RowWriter::Field fieldOf(const ColumnDef &c, const Value &v)
{
    if (auto s = std::get_if<std::string>(&v))
        return RowWriter::Field::of(RowWriter::encodeText(utf8ToUtf16(*s), c.extFlags & ColumnCompressedUnicode));
    if (auto b = std::get_if<Bytes>(&v); b && !c.isFixed())
        return RowWriter::Field::of(*b);
    return RowWriter::encodeFixed(c, v).value_or(RowWriter::Field::nullField());
}

// The key of one index over a row's values; only the column types the catalog indexes use.
std::vector<std::uint8_t> keyOf(const TableDef &t, const RealIndexDef &idx, const std::vector<Value> &values)
{
    std::vector<std::uint8_t> key;
    for (const IndexColumn &ic : idx.columns) {
        const Value &v = values[ic.columnNumber];
        std::vector<std::uint8_t> part;
        if (auto n = std::get_if<std::int64_t>(&v))
            part = longKey(std::int32_t(*n));
        else if (auto s = std::get_if<std::string>(&v))
            part = GeneralSort::textKey(utf8ToUtf16(*s)).value();
        else
            part = {0x00}; // NULL, ascending
        appendBytes(key, part);
    }
    (void)t;
    return key;
}

class Builder
{
public:
    explicit Builder(double date) : m_date(date) {}

    std::vector<std::uint8_t> build();

private:
    struct Table
    {
        TableShape shape;
        TableDef def;
        std::uint32_t dataPage = 0; // 0: no rows
        std::vector<std::vector<Value>> rows;
    };

    PageBytes &page(std::uint32_t n) { return m_pages[n]; }
    RowPointer addMapRow(const std::set<std::uint32_t> &pages);
    void assignMaps(Table &t, std::uint32_t &nextRoot);
    void writeRows(Table &t);
    void writeIndexes(Table &t);
    void writeGlobalMap();
    void addCatalogRows(Table &catalog, Table &aces, const std::vector<Table> &all);

    double m_date;
    std::array<PageBytes, PageCount> m_pages{};
};

RowPointer Builder::addMapRow(const std::set<std::uint32_t> &pages)
{
    std::vector<std::uint8_t> row(69, 0); // inline map: type 0, start page 0, 64 bytes of bits
    for (std::uint32_t p : pages)
        row[5 + p / 8] |= std::uint8_t(1u << (p % 8));
    const auto slot = DataPageWriter::appendRow(page(MapRowsPage), row);
    return {MapRowsPage, slot.value()};
}

// Usage-map rows in Jet's order: owned pages, pages with free space, per long-value column its
// owned and free maps, then one map per index holding its root.
void Builder::assignMaps(Table &t, std::uint32_t &nextRoot)
{
    std::set<std::uint32_t> data;
    if (t.dataPage)
        data.insert(t.dataPage);
    t.def.ownedPages = addMapRow(data);
    t.def.freeSpacePages = addMapRow(data);
    for (const ColumnDef &c : t.def.columns) {
        if (!c.isLongValue())
            continue;
        const RowPointer owned = addMapRow({});
        t.def.longValueMaps.push_back({c.number, owned, addMapRow({})});
    }
    for (RealIndexDef &idx : t.def.realIndexes) {
        idx.rootPage = nextRoot++;
        idx.usageMap = addMapRow({idx.rootPage});
    }
}

void Builder::writeRows(Table &t)
{
    if (!t.dataPage)
        return;
    DataPageWriter::init(page(t.dataPage), t.def.page);
    for (const auto &values : t.rows) {
        std::vector<RowWriter::Field> fields;
        for (std::size_t i = 0; i < t.def.columns.size(); ++i)
            fields.push_back(fieldOf(t.def.columns[i], values[i]));
        const auto row = RowWriter::encode(t.def, fields).value();
        DataPageWriter::appendRow(page(t.dataPage), row).value();
    }
    t.def.rowCount = std::uint32_t(t.rows.size());
}

void Builder::writeIndexes(Table &t)
{
    for (RealIndexDef &idx : t.def.realIndexes) {
        IndexPageImage img;
        img.tdefPage = t.def.page;
        std::set<std::vector<std::uint8_t>> distinct;
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            auto key = keyOf(t.def, idx, t.rows[r]);
            distinct.insert(key);
            img.entries.push_back(leafEntry(std::move(key), t.dataPage, std::uint8_t(r)));
        }
        std::sort(img.entries.begin(), img.entries.end());
        page(idx.rootPage) = encodeIndexPage(img).value();
        idx.uniqueCount = std::uint32_t(distinct.size());
    }
}

void Builder::writeGlobalMap()
{
    DataPageWriter::init(page(GlobalMapPage), GlobalMapPage);
    std::vector<std::uint8_t> row(69, 0xFF); // a set bit: the page is free
    std::fill(row.begin(), row.begin() + 5, 0);
    for (std::uint32_t p = 0; p < PageCount; ++p)
        row[5 + p / 8] &= std::uint8_t(~(1u << (p % 8)));
    DataPageWriter::appendRow(page(GlobalMapPage), row);
    DataPageWriter::appendRow(page(GlobalMapPage), std::vector<std::uint8_t>(69, 0));
}

// Catalog rows: the three containers, the database object, the system tables, then the
// program's tables; access-control entries as a Jet-made file has them.
void Builder::addCatalogRows(Table &catalog, Table &aces, const std::vector<Table> &all)
{
    const Bytes creator{0x65, 0x89}, admin{0x64, 0x8B}, users{0x65, 0x8B}, owner{0x65, 0x8E};
    const auto object = [&](std::int64_t id, std::int64_t parent, const char *name, std::int64_t type,
                            const Bytes &sid, std::int64_t flags) {
        std::vector<Value> v(catalog.def.columns.size());
        v[0] = id, v[1] = parent, v[2] = std::string(name), v[3] = type, v[4] = Date{m_date};
        v[5] = Date{m_date}, v[6] = sid, v[7] = flags;
        catalog.rows.push_back(std::move(v));
    };
    const std::int64_t systemFlag = std::int32_t(0x80000000u);
    object(TablesContainer, ContainerRoot, "Tables", 3, creator, systemFlag);
    object(DatabasesContainer, ContainerRoot, "Databases", 3, creator, systemFlag);
    object(RelationshipsContainer, ContainerRoot, "Relationships", 3, creator, systemFlag);
    object(MSysDbId, DatabasesContainer, "MSysDb", 2, admin, systemFlag);
    for (const Table &t : all)
        object(t.def.page, TablesContainer, t.shape.name, 1, t.shape.tableType == TypeSystem ? creator : admin,
               t.shape.tableType == TypeSystem ? systemFlag : 0);

    const auto ace = [&](std::int64_t id, const Bytes &sid, std::int64_t acm, bool inheritable) {
        aces.rows.push_back({id, sid, acm, inheritable ? Value(std::int64_t(1)) : Value()});
    };
    for (std::int64_t id : {2, 3, 4})
        ace(id, admin, 393216, false);
    ace(5, admin, 917504, false);
    ace(TablesContainer, owner, 983294, true);
    ace(TablesContainer, admin, 393217, false);
    ace(RelationshipsContainer, owner, 983294, true);
    ace(RelationshipsContainer, admin, 393217, false);
    ace(DatabasesContainer, admin, 393216, false);
    ace(MSysDbId, admin, 393230, false);
    ace(MSysDbId, users, 14, false);
    for (std::int64_t id : {4, 5, 2})
        ace(id, users, 20, false);
    ace(TablesContainer, users, 1048319, true);
    ace(RelationshipsContainer, users, 1048575, true);
    for (const Table &t : all) {
        if (t.shape.tableType != TypeUser)
            continue;
        ace(t.def.page, admin, 1048319, false);
        ace(t.def.page, users, 1048319, false);
    }
}

std::vector<std::uint8_t> Builder::build()
{
    std::vector<Table> tables;
    for (auto &s : systemTables())
        tables.push_back({s, defineTable(s), 0, {}});
    for (auto &s : userTables())
        tables.push_back({s, defineTable(s), 0, {}});
    tables[0].dataPage = CatalogDataPage;
    tables[1].dataPage = AceDataPage;
    addCatalogRows(tables[0], tables[1], tables);

    DataPageWriter::init(page(MapRowsPage), 0);
    std::uint32_t nextRoot = MapRowsPage + 1;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (i == 4)
            nextRoot = FirstUserTdef + 4; // the user tables' roots follow their definitions
        assignMaps(tables[i], nextRoot);
    }
    for (Table &t : tables) {
        writeRows(t);
        writeIndexes(t);
        const auto tdef = TdefWriter::encode(t.def);
        std::copy(tdef.begin(), tdef.end(), page(t.def.page).begin());
    }
    writeGlobalMap();
    page(0) = encodeHeaderPage({m_date, Password});

    std::vector<std::uint8_t> file;
    for (const PageBytes &p : m_pages)
        file.insert(file.end(), p.begin(), p.end());
    return file;
}

Result<void> ioError(const std::string &what, const std::string &path)
{
    return fail(ErrorCode::IoError, what + " " + path + ": " + std::strerror(errno));
}

Result<void> writeAll(int fd, const std::vector<std::uint8_t> &bytes, const std::string &path)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return ioError("cannot write", path);
        done += std::size_t(n);
    }
    if (::fsync(fd) != 0)
        return ioError("cannot flush", path);
    return {};
}

std::string directoryOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
}

} // namespace

std::vector<std::uint8_t> build(double creationDate)
{
    return Builder(creationDate).build();
}

Result<void> write(const std::string &path)
{
    if (::access(path.c_str(), F_OK) == 0)
        return fail(ErrorCode::IoError, "cannot create " + path + ": the file exists");
    const std::string temp = path + ".new-" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return ioError("cannot create", temp);
    auto written = writeAll(fd, build(currentJetDate()), temp);
    ::close(fd);
    // link() refuses an existing target, so a file that appeared meanwhile is never replaced.
    if (written && ::link(temp.c_str(), path.c_str()) != 0)
        written = errno == EEXIST ? fail(ErrorCode::IoError, "cannot create " + path + ": the file exists")
                                  : ioError("cannot create", path);
    ::unlink(temp.c_str());
    if (!written)
        return written;
    if (const int dir = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace Qb::Jet::EmptyLibrary

namespace Qb::Jet {

Result<void> Database::createLibrary(const std::string &path)
{
    return EmptyLibrary::write(path);
}

} // namespace Qb::Jet
