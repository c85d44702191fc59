// SPDX-License-Identifier: GPL-3.0-or-later
// Key watching where no other program's keys can be seen (Wayland, offscreen, no display): the
// hints then follow the program's own editor only.
#pragma once

#include "platform/keywatcher.h"

namespace Qb::Platform {

class NullKeyWatcher final : public KeyWatcher
{
    Q_OBJECT

public:
    using KeyWatcher::KeyWatcher;
    bool startRecording() override { return false; }
    void stopRecording() override {}
    bool recording() const override { return false; }
    bool withholdListKeys(bool on) override { return !on; }
    bool withholdingListKeys() const override { return false; }
};

} // namespace Qb::Platform
