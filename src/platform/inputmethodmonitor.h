// SPDX-License-Identifier: GPL-3.0-or-later
// What the input methods of the session report about the keyboard focus: whether fcitx5 is
// active, and which engine IBus uses.
#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace Qb::Platform {

// The input methods' state as last learnt; a field is empty while its service is absent.
struct InputMethodReport
{
    // fcitx5's controller State(): 0 none, 1 inactive, 2 active (for the focused input context).
    std::optional<int> fcitxState;
    // IBus's global engine name, such as "xkb:us::eng" or "pinyin".
    std::optional<QString> ibusEngine;

    friend bool operator==(const InputMethodReport &, const InputMethodReport &) = default;
};

// Owned by NativePlatform; UI thread only. Reading report() never waits: the state is kept
// from the services' signals and from questions asked in the background while watching, and
// reportChanged tells when it changed. Nothing typed is seen here.
class InputMethodMonitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~InputMethodMonitor() override = default;

    // Watching runs only between these calls; stopping forgets the report.
    virtual void setWatching(bool on) = 0;
    virtual bool watching() const = 0;
    virtual InputMethodReport report() const = 0;
    // Asks the services again at once (after a key press that may have switched them).
    virtual void refresh() = 0;

Q_SIGNALS:
    void reportChanged(const Qb::Platform::InputMethodReport &report);
};

} // namespace Qb::Platform
