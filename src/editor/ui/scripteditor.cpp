#include "editor/ui/scripteditor.h"

#include <QTimer>

namespace Qb::Editor {

ScriptEditor::ScriptEditor(QWidget *parent)
    : QsciScintillaBase(parent)
    , m_focusTimer(new QTimer(this))
{
    m_focusTimer->setObjectName(QStringLiteral("时钟_获取焦点"));
    m_focusTimer->setSingleShot(true);
    connect(m_focusTimer, &QTimer::timeout, this, &ScriptEditor::OnFocusTimer);
}

ScriptEditor::~ScriptEditor() = default;

long ScriptEditor::send(unsigned int message, unsigned long wParam, long lParam) const
{
    return SendScintilla(message, wParam, lParam);
}

void ScriptEditor::SetScriptText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    SendScintilla(SCI_SETTEXT, 0UL, utf8.constData());
}

QByteArray ScriptEditor::scriptBytes() const
{
    const long length = send(SCI_GETLENGTH);
    QByteArray buffer(length + 1, '\0');
    SendScintilla(SCI_GETTEXT, static_cast<unsigned long>(length + 1), buffer.data());
    buffer.truncate(length);
    return buffer;
}

QString ScriptEditor::GetScriptText() const
{
    return QString::fromUtf8(scriptBytes());
}

void ScriptEditor::InsertAtCaret(const QString &) {}
void ScriptEditor::ConfigureForStartup() {}
bool ScriptEditor::LoadKeywords(Qb::Library::SqlHelper &) { return false; }
void ScriptEditor::setKeywordList(const QByteArray &) {}
void ScriptEditor::Copy() { send(SCI_COPY); }
void ScriptEditor::Cut() { send(SCI_CUT); }
void ScriptEditor::Paste() { send(SCI_PASTE); }
void ScriptEditor::markSaved() { send(SCI_SETSAVEPOINT); }
bool ScriptEditor::isModified() const { return send(SCI_GETMODIFY) != 0; }
void ScriptEditor::showEvent(QShowEvent *event) { QsciScintillaBase::showEvent(event); }
void ScriptEditor::contextMenuEvent(QContextMenuEvent *event) { QsciScintillaBase::contextMenuEvent(event); }
void ScriptEditor::applyFixedConfiguration() {}
void ScriptEditor::OnFocusTimer() {}

} // namespace Qb::Editor
