// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ui/editoraccessibility.h"

#include "editor/ui/scripteditor.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <utility>

namespace Qb::Editor {

namespace {

QAccessibleInterface *editorFactory(const QString &, QObject *object)
{
    if (auto *editor = qobject_cast<ScriptEditor *>(object))
        return new EditorAccessible(editor);
    return nullptr;
}

using Range = std::pair<int, int>;

Range lineAt(const QString &text, int offset)
{
    const int start = offset == 0 ? 0 : int(text.lastIndexOf(u'\n', offset - 1)) + 1;
    const int newline = int(text.indexOf(u'\n', offset));
    return {start, newline < 0 ? int(text.size()) : newline + 1};
}

Range finderUnitAt(const QString &text, int offset, QTextBoundaryFinder::BoundaryType type)
{
    QTextBoundaryFinder finder(type, text);
    finder.setPosition(offset);
    const int start = finder.isAtBoundary() ? offset : int(finder.toPreviousBoundary());
    finder.setPosition(offset);
    const int end = int(finder.toNextBoundary());
    return {std::max(start, 0), end < 0 ? int(text.size()) : end};
}

// The unit of the given kind that holds offset. REQUIRES: 0 <= offset < text.size().
Range unitAt(const QString &text, int offset, QAccessible::TextBoundaryType type)
{
    switch (type) {
    case QAccessible::CharBoundary:
        return {offset, offset + (text.at(offset).isHighSurrogate() ? 2 : 1)};
    case QAccessible::WordBoundary:
        return finderUnitAt(text, offset, QTextBoundaryFinder::Word);
    case QAccessible::SentenceBoundary:
        return finderUnitAt(text, offset, QTextBoundaryFinder::Sentence);
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary:
        return lineAt(text, offset);
    case QAccessible::NoBoundary:
        break;
    }
    return {0, int(text.size())};
}

QString emptyAt(int offset, int *startOffset, int *endOffset)
{
    *startOffset = *endOffset = offset;
    return QString();
}

} // namespace

void installEditorAccessibility()
{
    QAccessible::installFactory(editorFactory);
}

EditorAccessible::EditorAccessible(ScriptEditor *editor)
    : QAccessibleWidget(editor, QAccessible::EditableText)
{
}

ScriptEditor *EditorAccessible::editor() const
{
    return static_cast<ScriptEditor *>(widget());
}

QString EditorAccessible::content() const
{
    return editor()->GetScriptText();
}

long EditorAccessible::bytePosition(const QString &text, int offset) const
{
    return long(QStringView(text).first(std::clamp(offset, 0, int(text.size()))).toUtf8().size());
}

int EditorAccessible::characterOffset(long bytePosition) const
{
    const QByteArray bytes = editor()->scriptBytes();
    return int(QString::fromUtf8(bytes.first(std::clamp(qsizetype(bytePosition), qsizetype(0), bytes.size()))).size());
}

void *EditorAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString EditorAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return content();
    return QAccessibleWidget::text(t);
}

QAccessible::State EditorAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

void EditorAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = characterOffset(editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
    *endOffset = characterOffset(editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
}

int EditorAccessible::selectionCount() const
{
    const long start = editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    return start != editor()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND) ? 1 : 0;
}

void EditorAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void EditorAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        setCursorPosition(cursorPosition());
}

void EditorAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const QString all = content();
    editor()->SendScintilla(QsciScintillaBase::SCI_SETSEL,
                            static_cast<unsigned long>(bytePosition(all, startOffset)),
                            bytePosition(all, endOffset));
}

int EditorAccessible::cursorPosition() const
{
    return characterOffset(editor()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
}

void EditorAccessible::setCursorPosition(int position)
{
    editor()->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                            static_cast<unsigned long>(bytePosition(content(), position)));
}

QString EditorAccessible::text(int startOffset, int endOffset) const
{
    const QString all = content();
    const int start = std::clamp(startOffset, 0, int(all.size()));
    const int end = std::clamp(endOffset, start, int(all.size()));
    return all.mid(start, end - start);
}

QString EditorAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                       int *startOffset, int *endOffset) const
{
    const QString all = content();
    if (offset < 0 || offset >= all.size())
        return emptyAt(std::clamp(offset, 0, int(all.size())), startOffset, endOffset);
    const auto [start, end] = unitAt(all, offset, boundaryType);
    *startOffset = start;
    *endOffset = end;
    return all.mid(start, end - start);
}

QString EditorAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int *startOffset, int *endOffset) const
{
    const QString all = content();
    const int clamped = std::clamp(offset, 0, int(all.size()));
    const int unitStart = clamped < all.size() ? unitAt(all, clamped, boundaryType).first : clamped;
    if (unitStart <= 0)
        return emptyAt(0, startOffset, endOffset);
    return textAtOffset(unitStart - 1, boundaryType, startOffset, endOffset);
}

QString EditorAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int *startOffset, int *endOffset) const
{
    const QString all = content();
    if (offset < 0 || offset >= all.size())
        return emptyAt(int(all.size()), startOffset, endOffset);
    return textAtOffset(unitAt(all, offset, boundaryType).second, boundaryType, startOffset,
                        endOffset);
}

int EditorAccessible::characterCount() const
{
    return int(content().size());
}

QRect EditorAccessible::characterRect(int offset) const
{
    const QString all = content();
    if (offset < 0 || offset >= all.size())
        return QRect();
    ScriptEditor *e = editor();
    const long pos = bytePosition(all, offset);
    const long next = e->SendScintilla(QsciScintillaBase::SCI_POSITIONAFTER, static_cast<unsigned long>(pos));
    const int x = int(e->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos));
    const int y = int(e->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
    const int nextX = int(e->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, next));
    const long line = e->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
    const int height = int(e->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, static_cast<unsigned long>(line)));
    const int width = nextX > x ? nextX - x : 1;
    return QRect(e->viewport()->mapToGlobal(QPoint(x, y)), QSize(width, height));
}

int EditorAccessible::offsetAtPoint(const QPoint &point) const
{
    ScriptEditor *e = editor();
    const QPoint local = e->viewport()->mapFromGlobal(point);
    const long pos = e->SendScintilla(QsciScintillaBase::SCI_CHARPOSITIONFROMPOINTCLOSE,
                                      static_cast<unsigned long>(local.x()), long(local.y()));
    return pos < 0 ? -1 : characterOffset(pos);
}

void EditorAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    const QString all = content();
    editor()->SendScintilla(QsciScintillaBase::SCI_SCROLLRANGE,
                            static_cast<unsigned long>(bytePosition(all, endIndex)),
                            bytePosition(all, startIndex));
}

QString EditorAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    return emptyAt(std::clamp(offset, 0, characterCount()), startOffset, endOffset);
}

} // namespace Qb::Editor
