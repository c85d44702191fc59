// SPDX-License-Identifier: GPL-3.0-or-later
// MainWindow: the editor's wiring. Connects the editor-related menu items and toolbar buttons
// to the editor's own classes and provides the editor's start-up steps.
#include "app/ui/mainwindow.h"

#include "platform/uitext.h"

#include "app/appcontext.h"
#include "editor/scriptrunner.h"
#include "editor/templates.h"
#include "editor/ui/consolewindow.h"
#include "editor/ui/keyworddialog.h"
#include "editor/ui/scripteditor.h"
#include "editor/ui/scriptfiles.h"
#include "editor/ui/subroutinedialog.h"
#include "editor/ui/variabledialog.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>

namespace Qb::App {

using namespace Qt::StringLiterals;

namespace {
// Toolbar click indexes, separators counted.
enum ToolbarIndex { Open = 0, Save = 1, SaveAs = 2, Cut = 4, Copy = 5, Paste = 6, Run = 8, Stop = 9 };
} // namespace

void MainWindow::wireEditor()
{
    m_scriptFiles = new Editor::ScriptFiles(*m_editor, m_context.SettingsFile,
                                            m_context.CurrentScriptPath, this);
    m_scriptRunner = new Editor::ScriptRunner(m_context.ProgramDirectory, this);
    m_scriptRunner->setFallbackConsole([this](const Platform::DetachedStart &command) {
        return (new Editor::ConsoleWindow(this))->start(command);
    });
    connect(m_scriptFiles, &Editor::ScriptFiles::statusMessage, this, &MainWindow::showEditorStatus);
    // The title names the current script, so that the window of a file handed over from a
    // later start (or any open) can be told by it.
    connect(m_scriptFiles, &Editor::ScriptFiles::currentScriptChanged, this, [this](const QString &path) {
        setWindowTitle(path.isEmpty() ? u"Quillbox"_s : QFileInfo(path).fileName() + u" - Quillbox"_s);
    });

    const auto on = [this](const char *caption, const char *menuName, auto slot) {
        if (QAction *action = menuAction(QString::fromUtf8(caption), QString::fromUtf8(menuName)))
            connect(action, &QAction::triggered, this, slot);
    };
    on("打开", "文件(&W)", [this] { m_scriptFiles->openWithDialog(); });
    on("保存", "文件(&W)", [this] { m_scriptFiles->SaveScript(); });
    on("另存为", "文件(&W)", [this] { m_scriptFiles->SaveScriptAs(); });
    on("函数", "插入(&C)", [this] {
        Resources::DefinedWindow::OpenWindow<Editor::SubroutineDialog>(this, true, *m_editor,
                                                                       m_context.SettingsFile);
    });
    on("变量", "插入(&C)", [this] {
        Resources::DefinedWindow::OpenWindow<Editor::VariableDialog>(this, true, *m_editor);
    });
    on("添加关键字", "命令(&M)", [this] {
        Resources::DefinedWindow::OpenWindow<Editor::KeywordDialog>(this, false, *m_editor,
                                                                    m_context.CommandStore);
    });
    for (const Editor::ScriptTemplate &entry : Editor::scriptTemplates()) {
        const QString text = entry.text;
        if (QAction *action = menuAction(QString::fromUtf8(entry.caption)))
            connect(action, &QAction::triggered, this, [this, text] { m_editor->InsertAtCaret(text); });
    }
    connect(this, &MainWindow::toolbarButtonClicked, this, &MainWindow::OnEditorToolbarButton);
}

void MainWindow::OnEditorToolbarButton(int index)
{
    switch (index) {
    case Open: m_scriptFiles->openWithDialog(); break;
    case Save: m_scriptFiles->SaveScript(); break;
    case SaveAs: m_scriptFiles->SaveScriptAs(); break;
    case Cut: m_editor->Cut(); break;
    case Copy: m_editor->Copy(); break;
    case Paste: m_editor->Paste(); break;
    case Run: runScript(); break;
    case Stop: m_scriptRunner->StopScript(); break;
    default: break;
    }
}

void MainWindow::runScript()
{
    using Result = Editor::ScriptRunner::RunResult;
    const Result result = m_scriptRunner->RunScript(m_editor->GetScriptText());
    if (result == Result::WriteFailed || result == Result::StartFailed)
        showEditorStatus(QbText::tr("运行失败：") + m_scriptRunner->lastError());
}

void MainWindow::showEditorStatus(const QString &text)
{
    m_statusParts[1]->setText(text);
    m_statusParts[1]->setToolTip(text);
}

void MainWindow::startupReopenLastScript()
{
    m_scriptFiles->ReopenLastScript();
}

void MainWindow::startupConfigureEditor()
{
    m_editor->ConfigureForStartup();
}

void MainWindow::startupLoadKeywords()
{
    m_editor->LoadKeywords(m_context.CommandStore);
}

bool MainWindow::confirmDiscardScript()
{
    return !m_scriptFiles || m_scriptFiles->confirmDiscardScript();
}

} // namespace Qb::App
