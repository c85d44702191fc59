// SPDX-License-Identifier: GPL-3.0-or-later
// Where no input method can be asked: hints treat every letter as typed.
#pragma once

#include "platform/inputmethodmonitor.h"

namespace Qb::Platform {

class NullInputMethodMonitor final : public InputMethodMonitor
{
    Q_OBJECT

public:
    using InputMethodMonitor::InputMethodMonitor;
    void setWatching(bool) override {}
    bool watching() const override { return false; }
    InputMethodReport report() const override { return {}; }
    void refresh() override {}
};

} // namespace Qb::Platform
