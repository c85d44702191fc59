// SPDX-License-Identifier: GPL-3.0-or-later
// The command hints' state machine and page geometry.
#include "editor/hintstatemachine.h"

#include "platform/textcodec.h"

#include <algorithm>

namespace Qb::Editor {

namespace {
// A line's hit rectangle reaches 12 px per GBK byte of its match, as wide as the bold 16 px
// font draws a half-width character.
constexpr int PixelsPerByte = 12;

int gbkLength(const QString &text)
{
    // Most entries are ASCII, one byte each; the encoder is costly to set up for every line.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    return ascii ? int(text.size()) : int(Platform::toGbk(text).size());
}
} // namespace

std::optional<HintKeyPress> hintKeyPress(int qtKey, Qt::KeyboardModifiers modifiers)
{
    using Key = HintKeyPress::Key;
    if (modifiers & (Qt::KeypadModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    HintKeyPress press;
    press.control = modifiers & Qt::ControlModifier;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        press.key = Key::Letter;
        press.letter = char('A' + (qtKey - Qt::Key_A));
    } else if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        press.key = Key::Digit;
        press.digit = qtKey - Qt::Key_0;
    } else {
        switch (qtKey) {
        case Qt::Key_Space: press.key = Key::Space; break;
        case Qt::Key_Escape: press.key = Key::Escape; break;
        case Qt::Key_PageDown: press.key = Key::PageDown; break;
        case Qt::Key_PageUp: press.key = Key::PageUp; break;
        case Qt::Key_Return: press.key = Key::Return; break;
        default: press.key = Key::Other; break;
        }
    }
    return press;
}

QList<HintLine> hintPageLines(const QStringList &matches, int pageFirst)
{
    QList<HintLine> lines;
    for (int k = 0; k < HintPageSize && pageFirst + k < matches.size(); ++k) {
        const QString text = QString::number(k) + u'.' + matches.at(pageFirst + k);
        lines.append({text, QPoint(0, HintLineHeight * k), k == 0 ? FirstLineColour : OtherLineColour});
    }
    return lines;
}

void HintHitRects::reset(int panelWidth)
{
    for (int k = 1; k <= HintPageSize; ++k) {
        const int top = 1 + HintLineHeight * (k - 1);
        m_rects[std::size_t(k - 1)] = QRect(QPoint(1, top), QPoint(panelWidth - 10, top + HintLineHeight));
    }
}

void HintHitRects::setRight(int k, int right)
{
    m_rects[std::size_t(k - 1)].setRight(right);
}

std::optional<int> HintHitRects::lineAt(QPoint point, int count) const
{
    for (int k = 1; k <= count && k <= HintPageSize; ++k) {
        const QRect &r = rect(k);
        // QRect::contains would be the same for a valid rectangle; a line whose match is empty
        // has right < left and holds no point.
        if (point.x() >= r.left() && point.x() <= r.right() && point.y() >= r.top() && point.y() <= r.bottom())
            return k;
    }
    return std::nullopt;
}

KeyVerdict HintStateMachine::keyPressed(const HintKeyPress &press)
{
    using Key = HintKeyPress::Key;
    switch (press.key) {
    case Key::Letter:
        if (m_hintsOn && !press.control && !m_composing) {
            m_typedPrefix += QChar::fromLatin1(press.letter);
            SearchHints();
        }
        return KeyVerdict::PassOn;
    case Key::Digit:
    case Key::Space:
        if (!m_listShown)
            return KeyVerdict::PassOn;
        ChooseHint(press.key == Key::Digit ? press.digit + 1 : 1);
        return KeyVerdict::Withhold;
    case Key::Escape:
        if (!m_listShown)
            return KeyVerdict::PassOn;
        HideHints();
        return KeyVerdict::Withhold;
    case Key::PageDown:
        if (m_listShown) {
            m_pageFirst += m_pageCount;
            DrawHintPage();
        }
        return KeyVerdict::PassOn;
    case Key::PageUp:
        if (m_listShown && m_pageFirst >= HintPageSize) {
            m_pageFirst -= HintPageSize;
            DrawHintPage();
        }
        return KeyVerdict::PassOn;
    case Key::Return:
    case Key::Other:
        return KeyVerdict::PassOn;
    }
    return KeyVerdict::PassOn;
}

std::optional<QPoint> HintStateMachine::windowPositionFor(const CaretSpot &spot)
{
    if (spot.caret.x() == 0 || spot.caret.y() == 0)
        return std::nullopt;
    return spot.clientOrigin + spot.caret + QPoint(10, 20);
}

void HintStateMachine::setComposing(bool composing)
{
    const bool starts = composing && !m_composing;
    m_composing = composing;
    if (starts && m_listShown)
        HideHints();
}

void HintStateMachine::SearchHints()
{
    m_matchList = m_actions.searchHints(m_typedPrefix);
    if (m_matchList.isEmpty()) {
        m_typedPrefix.clear();
        if (m_listShown)
            HideHints();
        return;
    }
    if (m_actions.cursorTracking()) {
        if (const auto spot = m_actions.targetCaret())
            if (const auto position = windowPositionFor(*spot))
                m_actions.moveHintWindow(*position);
    }
    m_actions.showHintWindow();
    m_pageFirst = 0;
    m_pageCount = 0;
    DrawHintPage();
    setListShown(true);
}

void HintStateMachine::DrawHintPage()
{
    const QList<HintLine> lines = hintPageLines(m_matchList, m_pageFirst);
    for (int k = 0; k < lines.size(); ++k) {
        m_hitRects.setRight(k + 1, PixelsPerByte * gbkLength(m_matchList.at(m_pageFirst + k)));
    }
    m_pageCount = int(lines.size());
    m_actions.drawHintPage(lines);
}

void HintStateMachine::ChooseHint(int n)
{
    const int i = m_pageFirst + n;
    if (i > m_matchList.size())
        return;
    // The matches begin with the typed letters (ASCII, compared without case), so dropping as
    // many characters as were typed leaves exactly the part not yet typed.
    const QString remainder = m_matchList.at(i - 1).mid(m_typedPrefix.size());
    m_actions.insertText(remainder);
    HideHints();
}

void HintStateMachine::HideHints()
{
    m_actions.hideHintWindow();
    m_matchList.clear();
    m_typedPrefix.clear();
    setListShown(false);
}

void HintStateMachine::setListShown(bool shown)
{
    const bool changed = shown != m_listShown;
    m_listShown = shown;
    if (changed)
        m_actions.listShownChanged(shown);
}

bool HintStateMachine::pointerPressed(QPoint point)
{
    const auto line = m_hitRects.lineAt(point, m_pageCount);
    if (!line)
        return false;
    ChooseHint(*line);
    return true;
}

bool HintStateMachine::overLine(QPoint point) const
{
    return m_hitRects.lineAt(point, m_pageCount).has_value();
}

} // namespace Qb::Editor
