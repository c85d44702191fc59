// SPDX-License-Identifier: GPL-3.0-or-later
// Where no accessibility bus is reachable: no other program's caret is known, so the hint list
// goes beside the pointer.
#pragma once

#include "platform/caretlocator.h"

#include <QMetaObject>

namespace Qb::Platform {

class NullCaretLocator final : public CaretLocator
{
    Q_OBJECT

public:
    using CaretLocator::CaretLocator;
    void setConnected(bool) override {}
    bool connected() const override { return false; }
    void requestCaret(quint64 request, WindowId) override
    {
        QMetaObject::invokeMethod(this, [this, request] { emit caretUnknown(request); }, Qt::QueuedConnection);
    }
};

} // namespace Qb::Platform
