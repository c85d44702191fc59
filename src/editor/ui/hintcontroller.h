// SPDX-License-Identifier: GPL-3.0-or-later
// HintController: the command hints in the running program. It feeds the keys typed in the
// target window to the hint state machine (from the editor's own key events, or from the
// platform's key watcher for another program's window), keeps the list keys from the target
// while a list is shown, and carries out what the state machine decides: the search, the hint
// window, the caret position and the insertion into the editor.
#pragma once

#include "editor/hintstatemachine.h"
#include "editor/ui/hintdelivery.h"
#include "hotkeys/targetwindow.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Platform {
class NativePlatform;
struct WatchedKeyPress;
}

namespace Qb::Editor {

class ForeignCaret;
class HintComposition;
class HintWindow;
class ScriptEditor;

// Owned by the main window; UI thread only. Borrows the editor, the store, the target and the
// platform, which all outlive it. The "keyboard hook" of the hints is this object's key routes:
// installed once and kept until shut-down. Another program's keys are recorded only while its
// window is the target and hints are on or a list is shown; the keys themselves are never
// stored, logged or printed.
class HintController : public QObject, private HintActions
{
    Q_OBJECT

public:
    HintController(ScriptEditor &editor, Library::SqlHelper &store, Hotkeys::TargetWindowState &target,
                   Platform::NativePlatform &native, std::function<bool()> cursorTracking, QObject *parent = nullptr);
    ~HintController() override;

    // The hint window: created hidden at start-up, destroyed at shut-down.
    void loadHintWindow();
    bool hintWindowLoaded() const { return m_window != nullptr; }
    void destroyHintWindow();
    HintWindow *hintWindow() const { return m_window.get(); }

    // Installs the key routes unless they are installed already; they stay until removed.
    void InstallKeyboardHook();
    bool keyboardHookInstalled() const { return m_installed; }
    void removeKeyboardHook();

    void setHintsOn(bool on);
    HintStateMachine &machine() { return m_machine; }
    // Where a chosen remainder goes (the option 提示输入到目标窗口).
    HintDelivery &delivery() { return m_delivery; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // HintActions.
    QStringList searchHints(const QString &prefix) override;
    bool cursorTracking() const override { return m_cursorTracking(); }
    std::optional<CaretSpot> targetCaret() override;
    void moveHintWindow(QPoint topLeft) override;
    void showHintWindow() override;
    void hideHintWindow() override;
    void drawHintPage(const QList<HintLine> &lines) override;
    void insertText(const QString &text) override;
    void listShownChanged(bool shown) override;

    void onWatchedKey(const Platform::WatchedKeyPress &press);
    void onTargetChanged();
    void updateRecording();
    void updateWithholding();
    void onEditorFocusTimer();

    ScriptEditor &m_editor;
    QPointer<QObject> m_editorAlive; // the main window may delete the editor before this object
    Library::SqlHelper &m_store;
    Hotkeys::TargetWindowState &m_target;
    Platform::NativePlatform &m_native;
    std::function<bool()> m_cursorTracking;
    HintStateMachine m_machine;
    HintDelivery m_delivery;
    std::unique_ptr<HintWindow> m_window;
    std::unique_ptr<ForeignCaret> m_foreignCaret;      // another program's caret, while needed
    std::unique_ptr<HintComposition> m_composition;    // input methods composing
    bool m_installed = false;
    bool m_windowShown = false;
    std::optional<QPoint> m_placedAt; // where the shown (or about to show) list was put
    bool m_activateAfterInsert = false; // a hint chosen in another program's window
    QMetaObject::Connection m_watchedKeys;
    QMetaObject::Connection m_targetChanges;
};

} // namespace Qb::Editor
