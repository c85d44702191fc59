// SPDX-License-Identifier: GPL-3.0-or-later
// The command hints' controller: key routes into the state machine and its actions carried out.
#include "editor/ui/hintcontroller.h"

#include "editor/foreigncaret.h"
#include "editor/hintcomposition.h"
#include "editor/hinttable.h"
#include "editor/ui/hintwindow.h"
#include "editor/ui/scripteditor.h"
#include "platform/keywatcher.h"
#include "platform/nativeplatform.h"

#include <QCursor>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTimer>

namespace Qb::Editor {

HintController::HintController(ScriptEditor &editor, Library::SqlHelper &store, Hotkeys::TargetWindowState &target,
                               Platform::NativePlatform &native, std::function<bool()> cursorTracking, QObject *parent)
    : QObject(parent)
    , m_editor(editor)
    , m_editorAlive(&editor)
    , m_store(store)
    , m_target(target)
    , m_native(native)
    , m_cursorTracking(std::move(cursorTracking))
    , m_machine(*this)
    , m_delivery(target, native)
    , m_foreignCaret(std::make_unique<ForeignCaret>(
          native.caretLocator(), [this](QPoint topLeft) { moveHintWindow(topLeft); },
          [this] {
              // While the showing waited, the window system may have reported an earlier move
              // of the window and put it back there: the place is applied again.
              if (m_window && m_placedAt)
                  m_window->move(*m_placedAt);
              if (m_window)
                  m_window->showList();
          }))
    , m_composition(std::make_unique<HintComposition>(native.inputMethodMonitor(), m_machine))
{
    connect(m_editor.focusTimer(), &QTimer::timeout, this, &HintController::onEditorFocusTimer);
}

HintController::~HintController()
{
    removeKeyboardHook();
}

void HintController::loadHintWindow()
{
    if (!m_window)
        m_window = std::make_unique<HintWindow>(m_machine);
}

void HintController::destroyHintWindow()
{
    m_window.reset();
}

void HintController::InstallKeyboardHook()
{
    if (m_installed)
        return;
    m_installed = true;
    m_editor.installEventFilter(this);
    m_editor.viewport()->installEventFilter(this);
    m_watchedKeys = connect(&m_native.keyWatcher(), &Platform::KeyWatcher::keyPressed, this,
                            &HintController::onWatchedKey);
    m_targetChanges = connect(&m_target, &Hotkeys::TargetWindowState::changed, this, &HintController::onTargetChanged);
    updateRecording();
}

void HintController::removeKeyboardHook()
{
    if (!m_installed)
        return;
    m_installed = false;
    if (m_editorAlive) {
        m_editor.removeEventFilter(this);
        m_editor.viewport()->removeEventFilter(this);
    }
    disconnect(m_watchedKeys);
    disconnect(m_targetChanges);
    updateWithholding();
    updateRecording();
}

void HintController::setHintsOn(bool on)
{
    m_machine.setHintsOn(on);
    updateRecording();
}

// The program's own editor: its key presses, while it is the target. The keys the state
// machine withholds are consumed here, so the editor never sees them.
bool HintController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::InputMethod && m_target.current().isOwnEditor())
        m_composition->editorInputMethodEvent(!static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty());
    if (event->type() != QEvent::KeyPress || !m_target.current().isOwnEditor())
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const auto press = hintKeyPress(key->key(), key->modifiers());
    if (press && m_machine.keyPressed(*press) == KeyVerdict::Withhold)
        return true;
    return QObject::eventFilter(watched, event);
}

// Another program's window: every key press of the display arrives here while recording; only
// those typed while the focus is in the target count. Withholding is the grabs' work.
void HintController::onWatchedKey(const Platform::WatchedKeyPress &watched)
{
    const Hotkeys::TargetWindow &target = m_target.current();
    if (!target.isForeign() || !Hotkeys::focusIsInTarget(target, m_native.windowSystem(), false))
        return;
    if (const auto press = hintKeyPress(watched.key, watched.modifiers))
        m_machine.keyPressed(*press);
    m_composition->foreignKeySeen();
}

void HintController::onTargetChanged()
{
    updateWithholding();
    updateRecording();
}

void HintController::updateRecording()
{
    Platform::KeyWatcher &watcher = m_native.keyWatcher();
    const bool wanted = m_installed && m_target.current().isForeign()
        && (m_machine.hintsOn() || m_machine.listShown());
    if (wanted && !watcher.recording())
        watcher.startRecording();
    else if (!wanted && watcher.recording())
        watcher.stopRecording();
    // The accessibility bus and the input method services are asked only while another
    // program's typing drives the hints.
    const bool foreignHints = m_installed && m_target.current().isForeign() && m_machine.hintsOn();
    m_foreignCaret->setWanted(foreignHints);
    m_composition->setTarget(m_target.current().isForeign(), foreignHints);
}

void HintController::updateWithholding()
{
    Platform::KeyWatcher &watcher = m_native.keyWatcher();
    const bool wanted = m_installed && m_target.current().isForeign() && (m_machine.listShown() || m_windowShown);
    if (wanted != watcher.withholdingListKeys())
        watcher.withholdListKeys(wanted);
}

QStringList HintController::searchHints(const QString &prefix)
{
    return HintTable(m_store).matches(prefix);
}

std::optional<CaretSpot> HintController::targetCaret()
{
    const Hotkeys::TargetWindow &target = m_target.current();
    if (target.isOwnEditor()) {
        const long at = m_editor.SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        const int x = int(m_editor.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, at));
        const int y = int(m_editor.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, at));
        return CaretSpot{QPoint(x, y), m_editor.viewport()->mapToGlobal(QPoint(0, 0))};
    }
    if (target.isForeign()) {
        // The list goes beside the pointer, and to the program's caret once the program reports
        // it (ForeignCaret).
        m_foreignCaret->locate(target.windowId());
        return CaretSpot{QCursor::pos(), QPoint(0, 0)};
    }
    return std::nullopt;
}

void HintController::moveHintWindow(QPoint topLeft)
{
    m_placedAt = topLeft;
    if (m_window)
        m_window->move(topLeft);
}

void HintController::showHintWindow()
{
    // The list keys are taken before the list appears: whoever sees it can use them at once.
    m_windowShown = true;
    updateWithholding();
    m_foreignCaret->show();
}

void HintController::hideHintWindow()
{
    m_windowShown = false;
    m_placedAt.reset();
    m_foreignCaret->cancel();
    if (m_window)
        m_window->hide();
}

void HintController::drawHintPage(const QList<HintLine> &lines)
{
    if (m_window)
        m_window->drawPage(lines);
}

void HintController::insertText(const QString &text)
{
    // Typed into the other program where the user types: the focus stays there.
    if (m_delivery.deliverToTarget(text))
        return;
    m_editor.InsertAtCaret(text);
    // A hint chosen in another program goes into this program's editor, which then takes the
    // keyboard focus with the caret behind the text: its window is activated for that.
    m_activateAfterInsert = m_target.current().isForeign();
}

void HintController::onEditorFocusTimer()
{
    if (!std::exchange(m_activateAfterInsert, false))
        return;
    QWidget *window = m_editor.window();
    window->raise();
    window->activateWindow();
    m_editor.setFocus(Qt::OtherFocusReason);
}

void HintController::listShownChanged(bool)
{
    updateWithholding();
    updateRecording();
}

} // namespace Qb::Editor
