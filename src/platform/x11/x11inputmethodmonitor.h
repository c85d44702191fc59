// SPDX-License-Identifier: GPL-3.0-or-later
// The input methods of an X11 session as their D-Bus services report them: fcitx5 on the session
// bus, IBus on its own bus.
#pragma once

#include "platform/inputmethodmonitor.h"

#include <QTimer>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QDBusConnection;
class QDBusPendingCall;
class QDBusMessage;

namespace Qb::Platform {

// While watching, both services are asked every RefreshMs in the background and at refresh(),
// never more than one question each at a time; report() keeps the last answers. Questions never
// start a service that is not running (no D-Bus activation). IBus is reached at the address
// its daemon leaves in IBUS_ADDRESS or ~/.config/ibus/bus; that connection exists only while
// watching. fcitx5 sends no signal when it is switched, so its state is asked.
class X11InputMethodMonitor final : public InputMethodMonitor
{
    Q_OBJECT

public:
    static constexpr int RefreshMs = 100;

    explicit X11InputMethodMonitor(QObject *parent = nullptr);
    ~X11InputMethodMonitor() override;

    void setWatching(bool on) override;
    bool watching() const override { return m_watching; }
    InputMethodReport report() const override { return m_report; }
    void refresh() override;

private:
    void askFcitx();
    void askIbus();
    void openIbus();
    void closeIbus();
    void setReport(const InputMethodReport &report);
    // Runs `done` with the reply (an error reply included) unless watching stopped meanwhile.
    void whenAnswered(const QDBusPendingCall &call, std::function<void(const QDBusMessage &)> done);

    bool m_watching = false;
    int m_generation = 0;
    bool m_fcitxAsked = false;
    bool m_ibusAsked = false;
    QTimer m_timer;
    std::unique_ptr<QDBusConnection> m_ibus; // only while watching
    QString m_ibusName;
    InputMethodReport m_report;
};

// The engine name inside IBus's GlobalEngine property value (an IBusEngineDesc); empty when it
// holds none.
QString ibusEngineName(const QVariant &globalEngine);
// The bus address IBus's daemon announces for `display` (":0") in the text of its address file.
QString ibusAddressFromFile(const QByteArray &fileText);

} // namespace Qb::Platform
