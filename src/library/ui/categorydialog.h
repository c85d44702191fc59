// SPDX-License-Identifier: GPL-3.0-or-later
// The 添加分类 dialog's exchange with the category operations.
#pragma once

#include "resources/shellwindows.h"

namespace Qb::Library::Ui {

// The two texts the 添加分类 dialog exchanges with its opener (PendingCategoryName and
// PendingCategoryDescription), owned by the opener.
struct PendingCategory
{
    QString name;
    QString description;
};

// 添加分类, also in its "修改分类说明" form. When created with a pending name it shows that name
// (locked), the caption "修改分类说明" and the pending description; either way both pending texts
// are then emptied. 确定 hands the two boxes back through the pending texts and closes; 取消,
// Esc and the close box leave them empty.
class CategoryDialog : public Resources::CategoryWindow
{
    Q_OBJECT
public:
    CategoryDialog(QWidget *owner, PendingCategory &pending);

protected:
    void onCreated() override;

private:
    void confirm();

    PendingCategory &m_pending;
};

} // namespace Qb::Library::Ui
