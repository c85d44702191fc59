// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file mlkpz.ini: its complete key table and typed access to it.
// There is no in-memory image: every read goes to the file and every write changes it at once.
#pragma once

#include <QString>

namespace Qb::Settings {

// One entry of the key table. Texts are UTF-8 literals; on disk they are GBK.
struct Key
{
    const char *section;
    const char *name;
    const char *defaultValue; // the text an absent key reads as
};

// The complete key table; no other module defines keys.
namespace Keys {
inline constexpr Key Mlts{"xitong", "mlts", ""};                  // boolean: command hints on
inline constexpr Key Zzzq{"xitong", "zzzq", ""};                  // boolean: always on top
inline constexpr Key Tstjzwm{"xitong", "tstjzwm", ""};            // boolean: add Chinese name
inline constexpr Key Gbgz{"xitong", "gbgz", "真"};                // boolean: cursor tracking
inline constexpr Key Mbsr{"xitong", "mbsr", "假"};                // boolean: hints typed into the target window
inline constexpr Key Mbsrfs{"xitong", "mbsrfs", "0"};             // integer: how (0 typing, 1 paste)
inline constexpr Key Kuozhanxiang{"xitong", "kuozhanxiang", ""};  // integer: expanded category
inline constexpr Key Width{"shezhi", "宽度", "800"};              // integer, pixels
inline constexpr Key Height{"shezhi", "高度", "700"};             // integer, pixels
inline constexpr Key Left{"shezhi", "横坐标", "50"};              // integer, pixels
inline constexpr Key Top{"shezhi", "纵坐标", "50"};               // integer, pixels
inline constexpr Key ShrinkSpeed{"shezhi", "收缩速度", "100"};    // integer, pixels per step
inline constexpr Key DescriptionWindow{"shezhi", "提示窗", ""};   // boolean: 命令说明 open
inline constexpr Key HistoryFile{"记录", "历史文件", ""};         // text: last script path
inline constexpr Key LocalDirectories{"shuji", "本地目录", ""};   // text; absent = the current directory
inline constexpr Key CaptureHotkey{"快捷键", "捕获窗口", "Ctrl+F12"}; // text: hotkey
inline constexpr Key SubName{"ctjlu", "hsming", ""};              // text: 插入子程序 name
inline constexpr Key SubParams{"ctjlu", "hscanshu", ""};          // text: 插入子程序 parameters
inline constexpr Key SubPrefix{"ctjlu", "qianzhui", ""};          // text: 插入子程序 prefix
} // namespace Keys

inline constexpr const char *TrueText = "真";
inline constexpr const char *FalseText = "假";

// The settings file's rules for integers: full-width digits and signs count as ASCII, leading
// blanks (ASCII white space and the ideographic space U+3000) are skipped, an optional sign and
// the leading digits are used; no digits gives 0. Values beyond the int range clamp to its ends.
int textToInteger(const QString &text);

// Typed access to one settings file. Cheap to copy; holds only the path. An empty path is no
// file at all: every read gives the default and every write fails.
class AppSettings
{
public:
    explicit AppSettings(QString path = QString());

    QString path() const { return m_path; }

    // Absent key -> the key's default (LocalDirectories: the current working directory).
    QString read(const Key &key) const;
    bool readBool(const Key &key) const;   // true exactly when the value is "真"
    int readInt(const Key &key) const;     // textToInteger of the value
    // Writes are one key at a time and never leave a half-written file; a failed write is
    // ignored (the old file stays) and reported only through the result.
    bool write(const Key &key, const QString &value) const;
    bool writeBool(const Key &key, bool value) const;
    bool writeInt(const Key &key, int value) const;

    // Any section and key, for callers that name them directly.
    QString read(const QString &section, const QString &key, const QString &defaultValue) const;
    bool write(const QString &section, const QString &key, const QString &value) const;

    // Section shezhi.
    QString ReadSetting(const QString &key, const QString &defaultValue) const;
    bool WriteSetting(const QString &key, const QString &value) const;

private:
    QString m_path;
};

} // namespace Qb::Settings
