// SPDX-License-Identifier: GPL-3.0-or-later
// 添加命令提示: adds entries to the hint table 命令表, one after another.
#pragma once

#include "resources/shellwindows.h"

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Editor {

// Modal, owned by the main window, empty caption. 确定 adds the entry typed in 编辑框1 (with the
// optional description of 编辑框2) and stays open for the next one; 取消, Esc and the close box
// close it. Texts are stored as typed: a "'" in them is quoted, not an error.
class HintEntryDialog : public Qb::Resources::HintEntryWindow
{
    Q_OBJECT

public:
    HintEntryDialog(QWidget *owner, Qb::Library::SqlHelper &store);

private:
    void addEntry();
    void notice(const QString &text);

    Qb::Library::SqlHelper &m_store;
};

} // namespace Qb::Editor
