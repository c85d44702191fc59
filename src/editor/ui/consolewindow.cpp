// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/consolewindow.h"

#include "platform/uitext.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcessEnvironment>
#include <QVBoxLayout>

#include <csignal>

#include <unistd.h>

namespace Qb::Editor {

ConsoleWindow::ConsoleWindow(QWidget *owner)
    : QWidget(owner, Qt::Window)
    , m_output(new QPlainTextEdit(this))
    , m_input(new QLineEdit(this))
{
    setObjectName(QStringLiteral("控制台"));
    setWindowTitle(QbText::tr("控制台"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 400);
    m_output->setReadOnly(true);
    m_output->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_output);
    layout->addWidget(m_input);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // A group of its own, so that 停止 and closing the window reach every process it starts.
    m_process.setChildProcessModifier([] { ::setsid(); });
    connect(&m_process, &QProcess::readyRead, this, &ConsoleWindow::appendOutput);
    connect(m_input, &QLineEdit::returnPressed, this, &ConsoleWindow::sendInput);
}

ConsoleWindow::~ConsoleWindow()
{
    endProcessGroup();
}

std::expected<qint64, QString> ConsoleWindow::start(const Qb::Platform::DetachedStart &command)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : command.extraEnvironment)
        environment.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(command.workingDirectory);
    m_process.start(command.program, command.arguments);
    if (!m_process.waitForStarted())
        return std::unexpected(m_process.errorString());
    show();
    m_input->setFocus();
    return m_process.processId();
}

void ConsoleWindow::appendOutput()
{
    m_output->moveCursor(QTextCursor::End);
    m_output->insertPlainText(QString::fromLocal8Bit(m_process.readAll()));
    m_output->moveCursor(QTextCursor::End);
}

void ConsoleWindow::sendInput()
{
    m_process.write(m_input->text().toLocal8Bit() + '\n');
    m_output->moveCursor(QTextCursor::End);
    m_output->insertPlainText(m_input->text() + u'\n');
    m_input->clear();
}

void ConsoleWindow::endProcessGroup()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    Qb::Platform::signalProcessGroup(m_process.processId(), SIGKILL);
    m_process.waitForFinished(3000);
}

void ConsoleWindow::closeEvent(QCloseEvent *event)
{
    endProcessGroup();
    event->accept();
}

} // namespace Qb::Editor
