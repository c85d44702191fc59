// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/scripteditor.h"

#include "platform/uitext.h"

#include "editor/keywords.h"
#include "editor/ui/editoraccessibility.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include <cstdint>

namespace Qb::Editor {

namespace {

// Colours in the component's 0x00BBGGRR form.
constexpr long Black = 0x000000;
constexpr long White = 0xFFFFFF;
constexpr long Navy = 0x800000;
constexpr long KeywordBlue = 0xFF0000;
constexpr long StringGreen = 0x00E080;
constexpr long OperatorRed = 0x0000FF;

// The Python lexer's style numbers.
constexpr unsigned long StyleCharacter = 4; // single-quoted string
constexpr unsigned long StyleWord = 5;      // keyword of set 0
constexpr unsigned long StyleOperator = 10;

constexpr int FocusDelayMs = 200;

} // namespace

ScriptEditor::ScriptEditor(QWidget *parent)
    : QsciScintillaBase(parent)
    , m_focusTimer(new QTimer(this))
{
    m_focusTimer->setObjectName(QStringLiteral("时钟_获取焦点"));
    m_focusTimer->setSingleShot(true);
    connect(m_focusTimer, &QTimer::timeout, this, &ScriptEditor::OnFocusTimer);
    installEditorAccessibility();
    applyFixedConfiguration();
}

ScriptEditor::~ScriptEditor() = default;

long ScriptEditor::send(unsigned int message, unsigned long wParam, long lParam) const
{
    return SendScintilla(message, wParam, lParam);
}

void ScriptEditor::applyFixedConfiguration()
{
    send(SCI_SETMARGINWIDTHN, 1, 0);
    send(SCI_SETREADONLY, 0);
    send(SCI_SETHSCROLLBAR, 0);
    send(SCI_SETVSCROLLBAR, 0);
    send(SCI_SETVIEWWS, SCWS_INVISIBLE);
    send(SCI_SETWHITESPACEFORE, 1, Black);
    send(SCI_SETWHITESPACEBACK, 1, White);
    send(SCI_SETCURSOR, static_cast<unsigned long>(SC_CURSORNORMAL));
    send(SCI_SETEOLMODE, SC_EOL_CRLF);
    send(SCI_SETVIEWEOL, 0);
    send(SCI_SETSELFORE, 1, White);
    send(SCI_SETSELBACK, 1, Navy);
    send(SCI_SETCARETFORE, Black);
    send(SCI_SETCARETLINEVISIBLE, 0);
    send(SCI_SETCARETLINEBACK, White);
    send(SCI_SETINDENTATIONGUIDES, SC_IV_REAL);
    send(SCI_SETWRAPMODE, SC_WRAP_WORD);
    send(SCI_SETCARETPERIOD, 500);
    send(SCI_SETCARETWIDTH, 1);
    send(SCI_SETCODEPAGE, SC_CP_UTF8);
}

void ScriptEditor::ConfigureForStartup()
{
    send(SCI_SETMARGINWIDTHN, 0, 12);
    send(SCI_SETMARGINTYPEN, 0, SC_MARGIN_SYMBOL);
    send(SCI_SETMARGINWIDTHN, 1, 12);
    send(SCI_SETMARGINTYPEN, 1, SC_MARGIN_NUMBER);
    send(SCI_SETLEXER, SCLEX_PYTHON);
    send(SCI_SETSTYLEBITS, 5); // has no effect in this component version; kept for the order
    send(SCI_STYLESETFORE, StyleWord, KeywordBlue);
    send(SCI_STYLESETFORE, StyleCharacter, StringGreen);
    send(SCI_STYLESETFORE, StyleOperator, OperatorRed);
}

void ScriptEditor::SetScriptText(const QString &text)
{
    setScriptBytes(text.toUtf8());
}

void ScriptEditor::setScriptBytes(const QByteArray &utf8)
{
    SendScintilla(SCI_SETTEXT, 0UL, utf8.constData());
    if (!isVisible())
        m_scrollHomeOnShow = true;
}

QByteArray ScriptEditor::scriptBytes() const
{
    const long length = send(SCI_GETLENGTH);
    QByteArray buffer(length + 1, Qt::Uninitialized);
    SendScintilla(SCI_GETTEXT, static_cast<unsigned long>(length + 1), buffer.data());
    buffer.truncate(length);
    return buffer;
}

qsizetype ScriptEditor::textLength() const
{
    return send(SCI_GETLENGTH);
}

QString ScriptEditor::GetScriptText() const
{
    return QString::fromUtf8(scriptBytes());
}

void ScriptEditor::InsertAtCaret(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    m_lastInsertPos = static_cast<int>(send(SCI_GETCURRENTPOS));
    m_lastInsertLength = static_cast<int>(utf8.size());
    SendScintilla(SCI_INSERTTEXT, static_cast<uintptr_t>(-1), utf8.constData());
    m_focusTimer->start(FocusDelayMs);
}

void ScriptEditor::OnFocusTimer()
{
    m_focusTimer->stop();
    setFocus(Qt::OtherFocusReason);
    send(SCI_GOTOPOS, static_cast<unsigned long>(m_lastInsertPos + m_lastInsertLength));
}

bool ScriptEditor::LoadKeywords(Qb::Library::SqlHelper &store)
{
    const QList<KeywordRow> rows = KeywordTable(store).rows();
    if (rows.isEmpty())
        return false;
    setKeywordList(keywordListText(rows));
    return true;
}

void ScriptEditor::setKeywordList(const QByteArray &list)
{
    SendScintilla(SCI_SETKEYWORDS, 0UL, list.constData());
    m_keywordList = list;
}

void ScriptEditor::Copy() { send(SCI_COPY); }
void ScriptEditor::Cut() { send(SCI_CUT); }
void ScriptEditor::Paste() { send(SCI_PASTE); }
void ScriptEditor::markSaved() { send(SCI_SETSAVEPOINT); }
bool ScriptEditor::isModified() const { return send(SCI_GETMODIFY) != 0; }

void ScriptEditor::showEvent(QShowEvent *event)
{
    QsciScintillaBase::showEvent(event);
    if (m_scrollHomeOnShow) {
        m_scrollHomeOnShow = false;
        // Text set before the widget had its size leaves the view scrolled sideways, with the
        // first columns behind the margin; the layout may still resize it once more.
        send(SCI_SETXOFFSET, 0);
        QTimer::singleShot(0, this, [this] { send(SCI_SETXOFFSET, 0); });
    }
}

QMenu *ScriptEditor::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    const bool writable = send(SCI_GETREADONLY) == 0;
    const bool selection = send(SCI_GETSELECTIONSTART) != send(SCI_GETSELECTIONEND);
    const auto add = [&](const QString &caption, unsigned int message, bool enabled) {
        QAction *action = menu->addAction(caption, this, [this, message] { send(message); });
        action->setEnabled(enabled);
    };
    add(QbText::tr("撤消"), SCI_UNDO, writable && send(SCI_CANUNDO) != 0);
    add(QbText::tr("重复"), SCI_REDO, writable && send(SCI_CANREDO) != 0);
    menu->addSeparator();
    add(QbText::tr("剪切"), SCI_CUT, writable && selection);
    add(QbText::tr("复制"), SCI_COPY, selection);
    add(QbText::tr("粘贴"), SCI_PASTE, writable && send(SCI_CANPASTE) != 0);
    add(QbText::tr("删除"), SCI_CLEAR, writable && selection);
    menu->addSeparator();
    add(QbText::tr("选择全部"), SCI_SELECTALL, true);
    return menu;
}

void ScriptEditor::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace Qb::Editor
