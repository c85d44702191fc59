// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the target window's input method is composing, for the command hints: from the input
// method services' report for another program's window, from the editor's own input-method
// events for the program's editor.
#pragma once

#include "platform/inputmethodmonitor.h"

#include <QObject>

namespace Qb::Editor {

class HintStateMachine;

// True while the report says an input method takes the letters typed: fcitx5 active, or an
// IBus engine other than a plain keyboard layout ("xkb:…"). An absent service composes nothing.
bool inputMethodComposing(const Platform::InputMethodReport &report);

// Owned by the hint controller; UI thread only. Keeps the state machine's composing flag
// current and watches the input method services only while another program's window is the
// target and hints are on.
class HintComposition : public QObject
{
    Q_OBJECT

public:
    HintComposition(Platform::InputMethodMonitor &monitor, HintStateMachine &machine, QObject *parent = nullptr);

    // Which kind of target the keys come from and whether the services are to be watched.
    void setTarget(bool foreign, bool watchServices);
    // The program's editor received an input-method event: `preedit` is whether it carries
    // text being composed.
    void editorInputMethodEvent(bool preedit);
    // A key of another program was seen: the services are asked again in the background, for
    // the keys after it (this one is decided on what is known now).
    void foreignKeySeen();

private:
    void update();

    Platform::InputMethodMonitor &m_monitor;
    HintStateMachine &m_machine;
    bool m_foreign = false;
    bool m_editorPreedit = false;
};

} // namespace Qb::Editor
