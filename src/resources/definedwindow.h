// SPDX-License-Identifier: GPL-3.0-or-later
// DefinedWindow: the base of every dialog and secondary window. A window is built from a
// definition (caption, outer size, controls with their design geometry) and opened and closed by
// one protocol: created, moved, resized, then shown; Esc and the close box close it; a closed
// window is destroyed.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <optional>
#include <utility>
#include <vector>

namespace Qb::Resources {

enum class ControlKind {
    Label,
    LineEdit,       // single-line edit box
    MultiLineEdit,  // vertical scroll bar, Enter inserts a line break
    ComboList,      // drop-down list: only the listed items can be chosen
    ComboEditable,  // free text plus the listed items
    CheckBox,
    Button,
    ReportList,     // report list view with column headers
    ColourPicker,
    DrawingPanel,
};

struct ColumnDefinition
{
    const char *caption;
    int width;
};

// One control of a window definition. Texts are UTF-8 literals.
struct ControlDefinition
{
    const char *name;                 // becomes the objectName
    ControlKind kind;
    const char *caption = "";         // label, button or check box text
    QRect geometry;                   // design geometry in the window's client area
    std::vector<const char *> items = {};           // combo box items
    std::vector<ColumnDefinition> columns = {};     // report list columns
    int maxLength = 0;                // edit boxes: 0 = no limit
    bool visible = true;
    std::optional<unsigned> textColour = {};        // 0xRRGGBB
    std::optional<unsigned> background = {};        // 0xRRGGBB
};

struct WindowDefinition
{
    const char *name;                 // the window's objectName
    const char *caption;
    QSize size;                       // outer size
    bool resizable = false;
    bool minimiseButton = false;
    bool toolWindow = false;          // thin tool-window frame
    std::optional<QPoint> position = {};  // design position; none = centred on the screen
    std::vector<ControlDefinition> controls = {};
    std::vector<const char *> tabOrder = {};  // controls that take part in Tab, in order
};

// Base class of the dialogs and the description window. Owned by its owner widget (the main
// window) and destroyed when it closes or, at the latest, with its owner. UI thread only.
//
// Event protocol for subclasses: onCreated(), onMoved() and onResized() run in this order when
// the window is opened, before it is shown; later moves and resizes call onMoved() and
// onResized() again. Closing by any route (CloseWindow, Esc, the close box, Alt+F4) first asks
// onMayClose(); when that allows it, onWillBeDestroyed() runs and the window is deleted. When the
// owner is destroyed first, the window goes with it without either hook.
class DefinedWindow : public QDialog
{
    Q_OBJECT

public:
    DefinedWindow(const WindowDefinition &definition, QWidget *owner);
    ~DefinedWindow() override;

    // Opens a window of type W owned by `owner`. Modal: returns after the window has closed (and
    // has been destroyed), with nullptr. Modeless: returns the window at once; when a W is
    // already open under this owner it is raised and activated instead of opening a second one.
    template<typename W, typename... Args>
    static W *OpenWindow(QWidget *owner, bool modal, Args &&...args)
    {
        if (!modal) {
            if (W *open = openWindowOf<W>(owner)) {
                open->raiseWindow();
                return open;
            }
        }
        auto *window = new W(owner, std::forward<Args>(args)...);
        return window->openWindow(modal) ? window : nullptr;
    }

    // The open (not closing) window of type W owned by `owner`, or nullptr.
    template<typename W>
    static W *openWindowOf(QWidget *owner)
    {
        if (!owner)
            return nullptr;
        for (W *w : owner->findChildren<W *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!w->isClosing())
                return w;
        }
        return nullptr;
    }

    // Closes the window as the 取消/关闭 buttons do.
    void CloseWindow();
    bool isClosing() const { return m_closing; }

    // The control named `name` (its objectName), or nullptr.
    template<typename T = QWidget>
    T *control(const char *name) const
    {
        return findChild<T *>(QString::fromUtf8(name));
    }

    const WindowDefinition &definition() const { return m_definition; }

    // Runs the opening protocol. Returns false when the window was modal (it is gone by then).
    bool openWindow(bool modal);
    void raiseWindow();

    // The protocol stages, in order, for observers (tests, owners that track the window).
Q_SIGNALS:
    void created();
    void moved();
    void resized();
    void shown();
    void closing();

protected:
    virtual void onCreated() {}
    virtual void onMoved() {}
    virtual void onResized() {}
    virtual bool onMayClose() { return true; }
    virtual void onWillBeDestroyed() {}

    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

public Q_SLOTS:
    void accept() override;
    void reject() override;
    void done(int result) override;

private:
    void buildControls();
    void applyFrame();
    void placeInitially();

    WindowDefinition m_definition;
    bool m_opened = false;  // created has been sent: later moves and resizes are dispatched
    bool m_closing = false;
    QPoint m_lastPos;
    QSize m_lastSize;
};

// Creates one control from its definition as a child of `parent`. Exposed for windows that are
// not dialogs (the hint window) and for the main window's own controls.
QWidget *createControl(const ControlDefinition &definition, QWidget *parent);

} // namespace Qb::Resources
