// SPDX-License-Identifier: GPL-3.0-or-later
// The command hints' decisions without a display: the typed prefix, the matches and their pages,
// choosing and hiding, which watched keys the target window still receives, and where the lines
// of a page and their hit rectangles lie. The hint window and the key watchers forward to it.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace Qb::Editor {

// A key press as the hints see it, already limited to key-down events typed while the keyboard
// focus is in the target window. Keypad keys and keys typed with Alt held never become one.
struct HintKeyPress
{
    enum class Key { Letter, Digit, Space, Escape, PageDown, PageUp, Return, Other };
    Key key = Key::Other;
    char letter = 0;        // 'A'..'Z' for Letter
    int digit = 0;          // 0..9 for Digit
    bool control = false;   // Control was held
};

// A key as Qt names it (QKeyEvent::key(), or a watched key of another program) with its
// modifiers, as the hints see it; nothing for keys that never count: keys of the numeric
// keypad, and keys typed with Alt or the logo key held.
std::optional<HintKeyPress> hintKeyPress(int qtKey, Qt::KeyboardModifiers modifiers);

// Whether the target window still receives a key.
enum class KeyVerdict { PassOn, Withhold };

// The caret of the target window as the platform reports it: its position in the window's
// client area, and where that client area's origin lies on the screen. A caret at 0 in either
// coordinate counts as unknown.
struct CaretSpot
{
    QPoint caret;
    QPoint clientOrigin;
};

// One line of a drawn page, in pixels of the drawing panel.
struct HintLine
{
    QString text;           // "k." followed by the match
    QPoint position;        // top-left of the text
    unsigned colour = 0;    // 0xRRGGBB
};

inline constexpr int HintPageSize = 10;
inline constexpr int HintLineHeight = 16;
inline constexpr unsigned FirstLineColour = 0x0000FF;  // blue
inline constexpr unsigned OtherLineColour = 0x808000;  // olive

// The lines of the page that starts after `pageFirst` matches: at most ten, numbered from 0.
QList<HintLine> hintPageLines(const QStringList &matches, int pageFirst);

// The ten line rectangles of the drawing panel that mouse clicks are tested against. Edges are
// part of a rectangle; rectangles are counted from 1.
class HintHitRects
{
public:
    explicit HintHitRects(int panelWidth = 160) { reset(panelWidth); }

    // Rectangle k = (1, 1 + 16 (k − 1)) to (panelWidth − 10, 17 + 16 (k − 1)).
    void reset(int panelWidth);
    // REQUIRES: 1 <= k <= 10.
    void setRight(int k, int right);
    const QRect &rect(int k) const { return m_rects[std::size_t(k - 1)]; }
    // The first of rectangles 1..count that holds `point`, so a point on the edge two lines
    // share belongs to the upper one.
    std::optional<int> lineAt(QPoint point, int count) const;

private:
    std::array<QRect, HintPageSize> m_rects;
};

// What the state machine asks of the world: the hint table, the hint window, the caret of the
// target window and the program's editor. Implemented by the hint window's controller, and by
// fakes in tests.
class HintActions
{
public:
    virtual ~HintActions() = default;
    // The 命令 values of 命令表 that begin with `prefix` (letters compared without case), in the
    // database's order; empty on a database error.
    virtual QStringList searchHints(const QString &prefix) = 0;
    virtual bool cursorTracking() const = 0;
    // nullopt when the platform knows no caret for the target window.
    virtual std::optional<CaretSpot> targetCaret() = 0;
    virtual void moveHintWindow(QPoint topLeft) = 0;
    virtual void showHintWindow() = 0;
    virtual void hideHintWindow() = 0;
    // Draws the lines on the hidden surface and copies it onto the visible panel.
    virtual void drawHintPage(const QList<HintLine> &lines) = 0;
    // InsertAtCaret into the program's editor.
    virtual void insertText(const QString &text) = 0;
    // Tells the key watchers whether the list keys (digits, space, Esc) are to be withheld.
    virtual void listShownChanged(bool shown) = 0;
};

// One instance per program, owned by the hint controller. UI thread only.
class HintStateMachine
{
public:
    explicit HintStateMachine(HintActions &actions) : m_actions(actions) {}

    void setHintsOn(bool on) { m_hintsOn = on; }
    bool hintsOn() const { return m_hintsOn; }
    // While the target's input method composes, its letters are the input method's: they feed
    // no prefix, and a list shown when composing starts hides, so that digits and the space bar
    // reach the input method's own candidates.
    void setComposing(bool composing);
    bool composing() const { return m_composing; }

    // The keyboard hook's step 3 for one key press.
    KeyVerdict keyPressed(const HintKeyPress &press);

    void SearchHints();
    void DrawHintPage();
    // n from 1 to 10: the n-th line of the shown page. Beyond the last match nothing happens.
    void ChooseHint(int n);
    void HideHints();

    // A left button press at `point` on the drawing panel: true when it chose a line (the
    // window is then not dragged).
    bool pointerPressed(QPoint point);
    // Whether the hand pointer belongs at `point`.
    bool overLine(QPoint point) const;
    HintHitRects &hitRects() { return m_hitRects; }

    QString typedPrefix() const { return m_typedPrefix; }
    const QStringList &matchList() const { return m_matchList; }
    bool listShown() const { return m_listShown; }
    int pageFirst() const { return m_pageFirst; }
    int pageCount() const { return m_pageCount; }

    // Where tracking puts the window for a caret: 10 px right of and 20 px below it.
    static std::optional<QPoint> windowPositionFor(const CaretSpot &spot);

private:
    void setListShown(bool shown);

    HintActions &m_actions;
    bool m_hintsOn = false;
    bool m_composing = false;
    QString m_typedPrefix;
    QStringList m_matchList;
    bool m_listShown = false;
    int m_pageFirst = 0;
    int m_pageCount = 0;
    HintHitRects m_hitRects;
};

} // namespace Qb::Editor
