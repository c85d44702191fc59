// SPDX-License-Identifier: GPL-3.0-or-later
// The console of our own that stands in for a terminal emulator when the system has none.
#pragma once

#include "platform/processgroup.h"

#include <QProcess>
#include <QWidget>

#include <expected>

class QLineEdit;
class QPlainTextEdit;

namespace Qb::Editor {

// Shows a process's output and errors and sends it lines typed into the input box. The process
// runs in a process group of its own; closing the window ends that group. A top-level window
// owned by the main window, deleted when closed; UI thread only.
class ConsoleWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ConsoleWindow(QWidget *owner);
    ~ConsoleWindow() override;

    // Starts the command and shows the window; returns the process group or the reason.
    std::expected<qint64, QString> start(const Qb::Platform::DetachedStart &command);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void appendOutput();
    void sendInput();
    void endProcessGroup();

    QPlainTextEdit *m_output;
    QLineEdit *m_input;
    QProcess m_process;
};

} // namespace Qb::Editor
