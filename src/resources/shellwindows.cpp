// SPDX-License-Identifier: GPL-3.0-or-later
// The shell's secondary windows.
#include "resources/shellwindows.h"

#include "resources/windowdefinitions.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace Qb::Resources {

void closeOnClick(DefinedWindow *window, const char *name)
{
    if (auto *button = window->control<QPushButton>(name))
        QObject::connect(button, &QPushButton::clicked, window, &DefinedWindow::CloseWindow);
}

AboutWindow::AboutWindow(QWidget *owner)
    : DefinedWindow(aboutDefinition(), owner)
{
    closeOnClick(this, "按钮1");
}

void AboutWindow::onCreated()
{
    control<QLabel>("标签2")->setText(versionText());
}

DescriptionWindow::DescriptionWindow(QWidget *owner, const Settings::AppSettings &settings)
    : DefinedWindow(descriptionDefinition(), owner)
    , m_settings(settings)
{
}

void DescriptionWindow::setDescription(const QString &text)
{
    control<QPlainTextEdit>("编辑框1")->setPlainText(text);
}

QString DescriptionWindow::description() const
{
    return control<QPlainTextEdit>("编辑框1")->toPlainText();
}

void DescriptionWindow::onResized()
{
    control("编辑框1")->setGeometry(0, 0, width(), height());
}

bool DescriptionWindow::onMayClose()
{
    m_settings.writeBool(Settings::Keys::DescriptionWindow, false);
    return true;
}

SettingsWindow::SettingsWindow(QWidget *owner)
    : DefinedWindow(settingsDefinition(), owner)
{
    closeOnClick(this, "按钮2");
}

CommandAddWindow::CommandAddWindow(QWidget *owner)
    : DefinedWindow(commandAddDefinition(), owner)
{
    closeOnClick(this, "按钮2");
}

void CommandAddWindow::onResized()
{
    const int cw = width();
    const int ch = height();
    QWidget *description = control("编辑框_说明");
    description->resize(cw - 70, ch - 150);
    QWidget *add = control("按钮_添加");
    add->move(add->x(), ch - 50);
    QWidget *close = control("按钮2");
    close->move(close->x(), add->y());
}

CategoryWindow::CategoryWindow(QWidget *owner)
    : DefinedWindow(categoryDefinition(), owner)
{
    closeOnClick(this, "按钮2");
}

HintEntryWindow::HintEntryWindow(QWidget *owner)
    : DefinedWindow(hintEntryDefinition(), owner)
{
    closeOnClick(this, "按钮2");
}

} // namespace Qb::Resources
