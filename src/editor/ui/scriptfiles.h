// SPDX-License-Identifier: GPL-3.0-or-later
// Opening, saving and reopening the script in the editor: the 文件(&W) operations.
#pragma once

#include "editor/scriptcodec.h"
#include "settings/appsettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace Qb::Editor {

class ScriptEditor;

// The link between the editor text and its file. Owned by the main window's editor wiring;
// borrows the editor, the settings and the current script path (AppContext's field), which it
// alone changes. UI thread only.
//
// A file keeps its encoding (GBK, UTF-8, UTF-8 with BOM) when saved; untitled scripts become
// GBK files. While the editor is at its save point the bytes last read or written are written
// back unchanged, so opening and saving without edits never alters a file. Failures are shown
// (naming the file and the reason) and change nothing.
class ScriptFiles : public QObject
{
    Q_OBJECT

public:
    enum class DialogMode { Open, Save };
    // Returns the chosen path, "" when cancelled. initialName is the name chosen last.
    using FileChooser = std::function<QString(DialogMode mode, const QString &initialName)>;
    enum class Answer { Yes, No, Cancel };
    using Question = std::function<Answer(const QString &text)>;
    using Notifier = std::function<void(const QString &text)>;

    ScriptFiles(ScriptEditor &editor, const Qb::Settings::AppSettings &settings,
                QString &currentScriptPath, QWidget *dialogParent);

    // Replace the standard dialogs and message boxes (tests drive these without a display).
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    void setQuestion(Question question) { m_question = std::move(question); }
    void setNotifier(Notifier notifier) { m_notifier = std::move(notifier); }

    // 打开: the open dialog, then OpenScript.
    void openWithDialog();
    // Loads path and makes it the current file and the history entry. Asks first when the
    // current text has unsaved changes. False when the file could not be read or the user
    // cancelled; then the editor, the current path and the history are unchanged.
    bool OpenScript(const QString &path);
    // 保存: to the current file, or SaveScriptAs when untitled. False when nothing was written.
    bool SaveScript();
    // 另存为: writes to a chosen file. It becomes current only when the script was untitled;
    // otherwise it receives a copy and later saves still go to the current file.
    bool SaveScriptAs();
    // Start-up: loads the history entry when it names a readable file; otherwise the script
    // stays untitled and empty. Nothing is asked and the history is not rewritten.
    void ReopenLastScript();
    // Before the text is replaced or the program closes: asks "脚本已修改，是否保存？" when the
    // text has changes not in the current file (or is untitled and not empty). 是 saves (false
    // when that fails or is cancelled), 否 goes on, 取消 returns false.
    bool confirmDiscardScript();

    ScriptEncoding currentEncoding() const { return m_encoding; }

signals:
    // A note for the status bar (e.g. the file was written as UTF-8).
    void statusMessage(const QString &text);
    // The current file changed (opened, reopened, named by 另存为); "" when untitled.
    void currentScriptChanged(const QString &path);

private:
    bool loadFile(const QString &path, bool report);
    void setCurrentScript(const QString &path);
    bool writeScript(const QString &path, bool makesCurrent);
    QString choose(DialogMode mode);
    QString chooseWithDialog(DialogMode mode, const QString &initialName);
    Answer askWithMessageBox(const QString &text);

    ScriptEditor &m_editor;
    const Qb::Settings::AppSettings &m_settings; // assigned at start-up, after construction
    QString &m_currentScriptPath;
    QWidget *m_dialogParent;
    FileChooser m_chooser;
    Question m_question;
    Notifier m_notifier;
    ScriptEncoding m_encoding = ScriptEncoding::Gbk;
    QByteArray m_savedBytes; // the file content the save point stands for; null when untitled
    QString m_lastChosen;
};

} // namespace Qb::Editor
