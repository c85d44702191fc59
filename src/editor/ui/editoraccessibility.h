// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's face towards assistive technology, with every offset bounds-checked.
#pragma once

#include <QAccessibleWidget>

namespace Qb::Editor {

class ScriptEditor;

// Makes ScriptEditor widgets report through EditorAccessible instead of the component's own
// accessible interface, which crashes when a client asks for the character extents at the end
// of the text. Idempotent; UI thread.
void installEditorAccessibility();

// Text interface of one ScriptEditor. Offsets are UTF-16 positions in the editor's text; any
// offset below 0 or past the text gives an empty rectangle, an empty text or is clamped, as
// each function says, instead of reaching the component.
class EditorAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit EditorAccessible(ScriptEditor *editor);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                         int *startOffset, int *endOffset) const override;
    int characterCount() const override;
    // Empty for offsets outside [0, characterCount()).
    QRect characterRect(int offset) const override;
    // -1 when the point is not over a character.
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    ScriptEditor *editor() const;
    QString content() const;
    long bytePosition(const QString &text, int offset) const;
    int characterOffset(long bytePosition) const;
};

} // namespace Qb::Editor
