// SPDX-License-Identifier: GPL-3.0-or-later
// The common protocol of the dialogs and secondary windows, and the control factory.
#include "resources/definedwindow.h"

#include "platform/uitext.h"

#include "resources/colourpicker.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

namespace Qb::Resources {

namespace {

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A caption as the user reads it: definitions hold the Chinese source texts.
QString shownCaption(const char *caption)
{
    return *caption ? QbText::tr(caption) : QString();
}

QWidget *createEdit(const ControlDefinition &d, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    if (d.maxLength > 0)
        edit->setMaxLength(d.maxLength);
    return edit;
}

QWidget *createMultiLineEdit(const ControlDefinition &, QWidget *parent)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTabChangesFocus(true);
    return edit;
}

QWidget *createCombo(const ControlDefinition &d, QWidget *parent, bool editable)
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(editable);
    // A drop-down list's items are shown translated (their index is the value); an editable
    // box's items are values the user may type, so they stay as they are.
    for (const char *item : d.items)
        combo->addItem(editable ? text(item) : shownCaption(item));
    if (editable)
        combo->setCurrentIndex(-1);
    return combo;
}

QWidget *createButton(const ControlDefinition &d, QWidget *parent)
{
    auto *button = new QPushButton(shownCaption(d.caption), parent);
    // Enter never presses a button the focus is not on.
    button->setAutoDefault(false);
    return button;
}

QWidget *createReportList(const ControlDefinition &d, QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    QStringList headers;
    for (const ColumnDefinition &column : d.columns)
        headers << shownCaption(column.caption);
    list->setHeaderLabels(headers);
    for (int i = 0; i < int(d.columns.size()); ++i)
        list->header()->resizeSection(i, d.columns[std::size_t(i)].width);
    return list;
}

QWidget *createPanel(const ControlDefinition &, QWidget *parent)
{
    auto *panel = new QWidget(parent);
    panel->setAutoFillBackground(true);
    return panel;
}

QWidget *createByKind(const ControlDefinition &d, QWidget *parent)
{
    switch (d.kind) {
    case ControlKind::Label:
        return new QLabel(shownCaption(d.caption), parent);
    case ControlKind::LineEdit:
        return createEdit(d, parent);
    case ControlKind::MultiLineEdit:
        return createMultiLineEdit(d, parent);
    case ControlKind::ComboList:
        return createCombo(d, parent, false);
    case ControlKind::ComboEditable:
        return createCombo(d, parent, true);
    case ControlKind::CheckBox:
        return new QCheckBox(shownCaption(d.caption), parent);
    case ControlKind::Button:
        return createButton(d, parent);
    case ControlKind::ReportList:
        return createReportList(d, parent);
    case ControlKind::ColourPicker:
        return new ColourPicker(parent);
    case ControlKind::DrawingPanel:
        return createPanel(d, parent);
    }
    return new QWidget(parent);
}

void applyColours(const ControlDefinition &d, QWidget *w)
{
    QPalette palette = w->palette();
    if (d.textColour) {
        palette.setColor(QPalette::WindowText, QColor::fromRgb(*d.textColour));
        palette.setColor(QPalette::Text, QColor::fromRgb(*d.textColour));
    }
    if (d.background)
        palette.setColor(QPalette::Window, QColor::fromRgb(*d.background));
    w->setPalette(palette);
}

// Controls without visible text of their own are found by assistive tools through their name.
bool needsAccessibleName(ControlKind kind)
{
    return kind == ControlKind::LineEdit || kind == ControlKind::MultiLineEdit
        || kind == ControlKind::ComboList || kind == ControlKind::ComboEditable
        || kind == ControlKind::ReportList || kind == ControlKind::ColourPicker
        || kind == ControlKind::DrawingPanel;
}

} // namespace

QWidget *createControl(const ControlDefinition &d, QWidget *parent)
{
    QWidget *w = createByKind(d, parent);
    w->setObjectName(text(d.name));
    w->setGeometry(d.geometry);
    if (needsAccessibleName(d.kind))
        w->setAccessibleName(text(d.name));
    if (d.textColour || d.background)
        applyColours(d, w);
    if (!d.visible)
        w->setVisible(false);
    return w;
}

DefinedWindow::DefinedWindow(const WindowDefinition &definition, QWidget *owner)
    : QDialog(owner)
    , m_definition(definition)
{
    setObjectName(text(definition.name));
    setWindowTitle(shownCaption(definition.caption));
    setAttribute(Qt::WA_DeleteOnClose);
    applyFrame();
    buildControls();
}

DefinedWindow::~DefinedWindow() = default;

void DefinedWindow::applyFrame()
{
    Qt::WindowFlags flags = m_definition.toolWindow ? Qt::Tool : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
           | Qt::WindowCloseButtonHint;
    if (m_definition.minimiseButton)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    if (m_definition.resizable)
        resize(m_definition.size);
    else
        setFixedSize(m_definition.size);
    setSizeGripEnabled(false);
}

void DefinedWindow::buildControls()
{
    const bool ownTabOrder = !m_definition.tabOrder.empty();
    for (const ControlDefinition &d : m_definition.controls) {
        QWidget *w = createControl(d, this);
        // With a tab order given, only its controls take the focus by Tab; the rest by click.
        if (ownTabOrder && (w->focusPolicy() & Qt::TabFocus))
            w->setFocusPolicy(w->focusPolicy() == Qt::StrongFocus ? Qt::ClickFocus : Qt::NoFocus);
    }
    QWidget *previous = nullptr;
    for (const char *name : m_definition.tabOrder) {
        QWidget *w = control(name);
        if (!w)
            continue;
        w->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

void DefinedWindow::placeInitially()
{
    if (m_definition.position) {
        move(*m_definition.position);
        return;
    }
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->geometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
}

bool DefinedWindow::openWindow(bool modal)
{
    placeInitially();
    onCreated();
    emit created();
    m_opened = true;
    m_lastPos = pos();
    onMoved();
    emit moved();
    m_lastSize = size();
    onResized();
    emit resized();
    if (!modal) {
        show();
        return true;
    }
    setWindowModality(Qt::ApplicationModal);
    exec();
    return false;
}

void DefinedWindow::raiseWindow()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void DefinedWindow::CloseWindow()
{
    close();
}

void DefinedWindow::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    if (!m_opened || pos() == m_lastPos)
        return;
    m_lastPos = pos();
    onMoved();
    emit moved();
}

void DefinedWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!m_opened || size() == m_lastSize)
        return;
    m_lastSize = size();
    onResized();
    emit resized();
}

void DefinedWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        emit shown();
}

void DefinedWindow::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    if (!onMayClose()) {
        event->ignore();
        return;
    }
    m_closing = true;
    onWillBeDestroyed();
    emit closing();
    event->accept();
}

void DefinedWindow::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        // Enter presses the focused button and otherwise does nothing (it never moves the focus).
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DefinedWindow::accept()
{
    CloseWindow();
}

void DefinedWindow::reject()
{
    CloseWindow();
}

void DefinedWindow::done(int)
{
    CloseWindow();
}

} // namespace Qb::Resources
