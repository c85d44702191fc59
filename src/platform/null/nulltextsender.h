// SPDX-License-Identifier: GPL-3.0-or-later
// Sending text where no other program's window can be reached (Wayland, offscreen, no display).
#pragma once

#include "platform/textsender.h"

namespace Qb::Platform {

class NullTextSender final : public TextSender
{
    Q_OBJECT

public:
    using TextSender::TextSender;
    bool sendText(WindowId, const QString &, TextSendMethod) override { return false; }
    bool sending() const override { return false; }
};

} // namespace Qb::Platform
