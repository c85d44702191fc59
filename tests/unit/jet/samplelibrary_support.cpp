// SPDX-License-Identifier: GPL-3.0-or-later
// The engine-made sample library shared by the reader's tests.
#include "samplelibrary_support.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace Qb::Test {

const std::string &sampleLongMemo()
{
    static const std::string memo = [] {
        std::string s;
        for (int i = 0; i < 2500; ++i)
            s += "说明";
        return s;
    }();
    return memo;
}

const std::vector<std::uint8_t> &sampleLibrary()
{
    static const std::vector<std::uint8_t> bytes = [] {
        const auto path = std::filesystem::temp_directory_path() / ("qb-sample-" + std::to_string(::getpid()) + ".mdb");
        std::filesystem::remove(path);
        std::vector<std::uint8_t> data;
        if (!Jet::Database::createLibrary(path.string()))
            return data;
        {
            auto db = Jet::Database::open(path.string(), LibraryPassword, Jet::Database::Mode::ReadWrite);
            if (!db)
                return data;
            const std::string statements[] = {
                "insert into 分类表(分类名,序号,父类,说明) values ('文件','1','0','files')",
                "insert into 分类表(分类名,序号,父类,说明) values ('Net','2','0','it^!s')",
                "insert into 命令库(命令名,中文名,分类,说明,类型) values ('print','打印','1','" + sampleLongMemo() + "','无')",
                "insert into 命令库(命令名,中文名,分类,说明,类型) values ('prompt','','1','ask','函数')",
                "insert into 命令库(命令名,中文名,分类,说明,类型) values ('Print','大写','2','other','流程')",
                "insert into 命令表(命令,说明) values ('print(','输出')",
                "insert into 命令表(命令,说明) values ('property','属性')",
                "insert into 命令表(命令,说明) values ('len(','长度')",
                "insert into 关键字表(关键字,颜色) values ('self','255')",
                "insert into 关键字表(关键字,颜色) values ('it''s','65280')",
            };
            for (const auto &sql : statements)
                if (!(*db)->execute(sql))
                    return data;
        }
        std::ifstream in(path, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::filesystem::remove(path);
        return data;
    }();
    return bytes;
}

std::unique_ptr<Jet::JetDatabase> openSample(std::vector<std::uint8_t> bytes, Jet::Database::Mode mode)
{
    auto db = Jet::JetDatabase::open(Jet::makeMemoryPageSource(std::move(bytes)), LibraryPassword, mode);
    return db ? std::move(*db) : nullptr;
}

} // namespace Qb::Test
