// SPDX-License-Identifier: GPL-3.0-or-later
// The hints' view of input methods.
#include "editor/hintcomposition.h"

#include "editor/hintstatemachine.h"

namespace Qb::Editor {

bool inputMethodComposing(const Platform::InputMethodReport &report)
{
    if (report.fcitxState == 2)
        return true;
    return report.ibusEngine && !report.ibusEngine->isEmpty() && !report.ibusEngine->startsWith(u"xkb:");
}

HintComposition::HintComposition(Platform::InputMethodMonitor &monitor, HintStateMachine &machine, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_machine(machine)
{
    connect(&m_monitor, &Platform::InputMethodMonitor::reportChanged, this, &HintComposition::update);
}

void HintComposition::setTarget(bool foreign, bool watchServices)
{
    m_foreign = foreign;
    if (watchServices != m_monitor.watching())
        m_monitor.setWatching(watchServices);
    update();
}

void HintComposition::editorInputMethodEvent(bool preedit)
{
    m_editorPreedit = preedit;
    update();
}

void HintComposition::foreignKeySeen()
{
    if (m_monitor.watching())
        m_monitor.refresh();
}

void HintComposition::update()
{
    m_machine.setComposing(m_foreign ? m_monitor.watching() && inputMethodComposing(m_monitor.report())
                                     : m_editorPreedit);
}

} // namespace Qb::Editor
