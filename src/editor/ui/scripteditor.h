// SPDX-License-Identifier: GPL-3.0-or-later
// The script-editing control: one Scintilla component with its Python lexer, driven by messages.
#pragma once

#include <Qsci/qsciscintillabase.h>

#include <QByteArray>
#include <QString>

class QMenu;
class QTimer;

namespace Qb::Library {
class SqlHelper;
}

namespace Qb::Editor {

// The editor control 代码编辑框1. Owned by the main window, lives until the program ends;
// UI thread only. Texts cross this boundary as Unicode QStrings; inside the component they are
// UTF-8 and every position or length exchanged with it is a UTF-8 byte count.
class ScriptEditor : public QsciScintillaBase
{
    Q_OBJECT

public:
    explicit ScriptEditor(QWidget *parent = nullptr);
    ~ScriptEditor() override;

    // Replaces the whole text. Does not touch the undo history or the save point.
    void SetScriptText(const QString &text);
    QString GetScriptText() const;
    // The same in the component's own UTF-8, without conversion.
    void setScriptBytes(const QByteArray &utf8);
    QByteArray scriptBytes() const;
    // Length of the text in UTF-8 bytes.
    qsizetype textLength() const;

    // Inserts text at the caret as it stands (no indentation added) without moving the caret;
    // selected text is not replaced. 200 ms later the editor gets the focus and the caret goes
    // behind the inserted text (a newer insertion within that time replaces the pending move).
    void InsertAtCaret(const QString &text);
    int LastInsertPos() const { return m_lastInsertPos; }
    int LastInsertLength() const { return m_lastInsertLength; }
    // The one-shot focus timer (objectName 时钟_获取焦点); exposed for tests and the main window.
    QTimer *focusTimer() const { return m_focusTimer; }

    // The start-up messages: margins, lexer and style colours, in their fixed order.
    void ConfigureForStartup();
    // Reads 关键字表 and hands the keyword list to the lexer; false (and no change to the lexer)
    // when no row was read.
    bool LoadKeywords(Qb::Library::SqlHelper &store);
    // Hands a ready keyword list (each keyword followed by one space) to the lexer.
    void setKeywordList(const QByteArray &list);
    // The list last handed to the lexer ("" before the first).
    QByteArray keywordList() const { return m_keywordList; }

    void Copy();
    void Cut();
    void Paste();

    // Save point: the text as last loaded or saved.
    void markSaved();
    bool isModified() const;

    // The right-click menu: the component's own commands with Chinese captions (撤消, 重复,
    // 剪切, 复制, 粘贴, 删除, 选择全部), enabled as the component would. Caller owns it.
    QMenu *createContextMenu(QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void applyFixedConfiguration();
    void OnFocusTimer();
    long send(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;

    QTimer *m_focusTimer = nullptr;
    int m_lastInsertPos = 0;
    int m_lastInsertLength = 0;
    QByteArray m_keywordList;
    bool m_scrollHomeOnShow = false;
};

} // namespace Qb::Editor
