// SPDX-License-Identifier: GPL-3.0-or-later
// Typing and pasting into another program's window with XTest.
#include "platform/x11/x11textsender.h"

#include "platform/x11/x11connection.h"
#include "platform/x11/x11errortrap.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <functional>

namespace Qb::Platform {

namespace {

constexpr std::size_t StrokesPerPass = 200;
// A lent keycode keeps its keysym this long after its last press (see SpareKeycodes).
constexpr std::int64_t SpareReuseMs = 250;
constexpr int SpareEmptyMs = 500;
// How long the keys that chose the hint may stay down before the text goes out all the same.
constexpr std::int64_t ReleaseWaitMs = 2000;
constexpr int ReleasePollMs = 5;
// How long the window has to ask for the pasted text; and how long after its first request
// the text stays on offer (a program may ask for several forms of it).
constexpr int PasteRequestWaitMs = 2000;
constexpr int PasteServeMs = 150;

// Data on the clipboard that says when a program first reads it.
class PasteData final : public QMimeData
{
public:
    explicit PasteData(std::function<void()> onRead) : m_onRead(std::move(onRead)) {}

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (m_onRead)
            std::exchange(m_onRead, nullptr)();
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    mutable std::function<void()> m_onRead;
};

std::unique_ptr<QMimeData> copyOf(const QMimeData *data)
{
    auto copy = std::make_unique<QMimeData>();
    if (data) {
        for (const QString &format : data->formats())
            copy->setData(format, data->data(format));
    }
    return copy;
}

bool isKeypadKeysym(KeySym keysym)
{
    return keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
}

} // namespace

X11TextSender::X11TextSender(std::unique_ptr<X11Connection> connection, QObject *parent)
    : TextSender(parent)
    , m_connection(std::move(connection))
{
    m_clock.start();
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, &X11TextSender::step);
    m_emptyTimer.setSingleShot(true);
    connect(&m_emptyTimer, &QTimer::timeout, this, &X11TextSender::emptySpareKeys);
    m_pasteTimer.setSingleShot(true);
    connect(&m_pasteTimer, &QTimer::timeout, this, &X11TextSender::restoreClipboard);
    if (m_connection)
        m_connection->setEventHandler([](XEvent &) {}); // MappingNotify and the like: nothing to do
}

X11TextSender::~X11TextSender()
{
    if (m_pasting)
        restoreClipboard();
    emptySpareKeys();
}

bool X11TextSender::sendText(WindowId window, const QString &text, TextSendMethod method)
{
    if (!m_connection)
        return false;
    Job job;
    job.window = window;
    job.method = method;
    if (method == TextSendMethod::Paste)
        job.text = text;
    else
        job.keysyms = keysymsForText(text);
    job.waitingSince = m_clock.elapsed();
    m_jobs.push_back(std::move(job));
    if (m_jobs.size() == 1 && !m_pasting)
        m_stepTimer.start(0);
    return true;
}

void X11TextSender::step()
{
    if (m_jobs.empty() || m_pasting)
        return;
    Job &job = m_jobs.front();
    if (!job.started && !startJob(job))
        return;
    if (job.method == TextSendMethod::Paste)
        paste(job);
    else
        typeSome(job);
}

// Waits (from the event loop) for the chosen digit to be released: while a key is down the
// keyboard may still be grabbed for this program, and the window would not get the keys.
bool X11TextSender::startJob(Job &job)
{
    if (nonModifierKeyDown() && m_clock.elapsed() - job.waitingSince < ReleaseWaitMs) {
        m_stepTimer.start(ReleasePollMs);
        return false;
    }
    m_emptyTimer.stop();
    readLayout();
    m_saved = readModifiers();
    apply(neutraliseModifiers(m_saved));
    reportPresses();
    job.started = true;
    return true;
}

void X11TextSender::typeSome(Job &job)
{
    Display *display = m_connection->display();
    std::size_t consumed = 0;
    const auto layout = [this](KeySymbol keysym) -> std::optional<LayoutKey> {
        const auto it = m_layout.find(keysym);
        return it == m_layout.end() ? std::nullopt : std::optional(it->second);
    };
    const std::vector<KeyStroke> strokes
        = planStrokes(job.keysyms, job.next, StrokesPerPass, layout, *m_spare, m_clock.elapsed(), consumed);
    bool mapped = false;
    for (const KeyStroke &stroke : strokes) {
        if (stroke.mapTo) {
            mapKey(stroke.keycode, stroke.mapTo);
            mapped = true;
        }
    }
    // The server has sent every client its MappingNotify once our own has come back, and before
    // any key event that follows: each program reads the new mapping before the keys.
    if (mapped)
        XSync(display, False);
    for (const KeyStroke &stroke : strokes)
        pressKey(stroke.keycode, stroke.shift);
    reportPresses();
    XSync(display, False);
    job.next += consumed;
    if (job.next >= job.keysyms.size()) {
        finishJob();
        return;
    }
    const std::int64_t wait = consumed == 0 ? m_spare->readyAtMs().value_or(0) - m_clock.elapsed() : 0;
    m_stepTimer.start(int(std::clamp<std::int64_t>(wait, 0, SpareReuseMs)));
}

void X11TextSender::finishJob()
{
    apply(restoreModifiers(m_saved));
    reportPresses();
    XSync(m_connection->display(), False);
    m_jobs.pop_front();
    if (m_spare && !m_spare->mapped().empty())
        m_emptyTimer.start(SpareEmptyMs);
    if (m_jobs.empty())
        emit idle();
    else
        m_stepTimer.start(0);
}

bool X11TextSender::nonModifierKeyDown()
{
    char keys[32] = {};
    XQueryKeymap(m_connection->display(), keys);
    for (int keycode = 8; keycode < 256; ++keycode) {
        if ((keys[keycode / 8] >> (keycode % 8)) & 1) {
            if (std::find(m_modifierKeys.begin(), m_modifierKeys.end(), KeyCode(keycode)) == m_modifierKeys.end())
                return true;
        }
    }
    return false;
}

// The keys of the current group at their first two levels, and the keycodes that carry no
// keysym at all (the spare ones), read again for each text: the user may switch layouts.
void X11TextSender::readLayout()
{
    Display *display = m_connection->display();
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    int minKeycode = 8;
    int maxKeycode = 255;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    const int count = maxKeycode - minKeycode + 1;
    KeySym *map = XGetKeyboardMapping(display, KeyCode(minKeycode), count, &m_keysymsPerKeycode);
    const bool lending = m_spare && !m_spare->mapped().empty();
    const std::vector<KeyCode> lent = lending ? m_spare->mapped() : std::vector<KeyCode>{};
    std::vector<KeyCode> spare;
    m_layout.clear();
    for (int level = 0; level < 2; ++level) {
        for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
            if (std::find(lent.begin(), lent.end(), KeyCode(keycode)) != lent.end())
                continue;
            const KeySym *syms = map ? map + std::ptrdiff_t(keycode - minKeycode) * m_keysymsPerKeycode : nullptr;
            if (level == 0 && syms && std::all_of(syms, syms + m_keysymsPerKeycode, [](KeySym s) { return s == NoSymbol; }))
                spare.push_back(KeyCode(keycode));
            if (isKeypadKeysym(XkbKeycodeToKeysym(display, KeyCode(keycode), state.group, 0)))
                continue;
            const KeySym keysym = XkbKeycodeToKeysym(display, KeyCode(keycode), state.group, level);
            if (keysym != NoSymbol)
                m_layout.try_emplace(KeySymbol(keysym), LayoutKey{KeyCode(keycode), level == 1});
        }
    }
    if (map)
        XFree(map);
    if (!lending)
        m_spare = std::make_unique<SpareKeycodes>(std::move(spare), SpareReuseMs);
    m_shiftKey = XKeysymToKeycode(display, XK_Shift_L);
    m_modifierKeys.clear();
    if (XModifierKeymap *modifiers = XGetModifierMapping(display)) {
        for (int i = 0; i < 8 * modifiers->max_keypermod; ++i)
            if (modifiers->modifiermap[i])
                m_modifierKeys.push_back(modifiers->modifiermap[i]);
        XFreeModifiermap(modifiers);
    }
}

ModifierState X11TextSender::readModifiers()
{
    Display *display = m_connection->display();
    ModifierState state;
    XkbStateRec xkb{};
    XkbGetState(display, XkbUseCoreKbd, &xkb);
    state.locked = xkb.locked_mods;
    state.latched = xkb.latched_mods;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    for (KeyCode keycode : m_modifierKeys) {
        const bool down = (keys[keycode / 8] >> (keycode % 8)) & 1;
        if (down && std::find(state.heldModifierKeys.begin(), state.heldModifierKeys.end(), keycode)
                        == state.heldModifierKeys.end())
            state.heldModifierKeys.push_back(keycode);
    }
    return state;
}

void X11TextSender::apply(const std::vector<ModifierStep> &steps)
{
    Display *display = m_connection->display();
    for (const ModifierStep &step : steps) {
        switch (step.kind) {
        case ModifierStep::Kind::ReleaseKey: fakeKey(KeyCode(step.value), false); break;
        case ModifierStep::Kind::PressKey: fakeKey(KeyCode(step.value), true); break;
        case ModifierStep::Kind::SetLocked: XkbLockModifiers(display, XkbUseCoreKbd, 0xff, step.value); break;
        case ModifierStep::Kind::SetLatched: XkbLatchModifiers(display, XkbUseCoreKbd, 0xff, step.value); break;
        }
    }
}

void X11TextSender::pressKey(KeyCode keycode, bool shift)
{
    if (shift)
        fakeKey(m_shiftKey, true);
    fakeKey(keycode, true);
    fakeKey(keycode, false);
    if (shift)
        fakeKey(m_shiftKey, false);
}

void X11TextSender::fakeKey(KeyCode keycode, bool down)
{
    XTestFakeKeyEvent(m_connection->display(), keycode, down ? True : False, CurrentTime);
    m_presses += down;
}

void X11TextSender::reportPresses()
{
    if (const int presses = std::exchange(m_presses, 0))
        emit pressesSent(presses);
}

void X11TextSender::mapKey(KeyCode keycode, KeySymbol keysym)
{
    // The same keysym at both levels: whatever Shift state a program sees, it reads this one.
    std::vector<KeySym> syms(std::size_t(std::max(2, m_keysymsPerKeycode)), NoSymbol);
    syms[0] = syms[1] = keysym;
    X11ErrorTrap trap(m_connection->display());
    XChangeKeyboardMapping(m_connection->display(), keycode, int(syms.size()), syms.data(), 1);
}

void X11TextSender::emptySpareKeys()
{
    if (!m_connection || !m_spare || m_spare->mapped().empty())
        return;
    if (!m_jobs.empty() && m_jobs.front().started) {
        m_emptyTimer.start(SpareEmptyMs); // still typing: later
        return;
    }
    Display *display = m_connection->display();
    std::vector<KeySym> none(std::size_t(std::max(1, m_keysymsPerKeycode)), NoSymbol);
    X11ErrorTrap trap(display);
    for (KeyCode keycode : m_spare->mapped())
        XChangeKeyboardMapping(display, keycode, int(none.size()), none.data(), 1);
    trap.sync();
    m_spare->clear();
}

void X11TextSender::paste(Job &job)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    m_savedClipboard = copyOf(clipboard->mimeData(QClipboard::Clipboard));
    auto *data = new PasteData([this] { m_pasteTimer.start(PasteServeMs); });
    data->setText(job.text);
    clipboard->setMimeData(data, QClipboard::Clipboard);
    m_pasting = true;
    const KeyCode control = XKeysymToKeycode(m_connection->display(), XK_Control_L);
    const KeyCode v = XKeysymToKeycode(m_connection->display(), XK_v);
    const bool shift = isTerminal(job.window);
    fakeKey(control, true);
    pressKey(v, shift);
    fakeKey(control, false);
    apply(restoreModifiers(m_saved));
    reportPresses();
    XSync(m_connection->display(), False);
    m_pasteTimer.start(PasteRequestWaitMs);
}

// The window has read the text (or never asked): the user's contents go back on the clipboard.
void X11TextSender::restoreClipboard()
{
    m_pasting = false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_savedClipboard && !m_savedClipboard->formats().isEmpty())
        clipboard->setMimeData(m_savedClipboard.release(), QClipboard::Clipboard);
    else
        clipboard->clear(QClipboard::Clipboard);
    m_savedClipboard.reset();
    if (m_jobs.empty())
        return;
    m_jobs.pop_front();
    if (m_jobs.empty())
        emit idle();
    else
        m_stepTimer.start(0);
}

bool X11TextSender::isTerminal(WindowId window)
{
    XClassHint hint{};
    X11ErrorTrap trap(m_connection->display());
    if (!XGetClassHint(m_connection->display(), Window(window), &hint))
        return false;
    const bool terminal = (hint.res_name && isTerminalWindowClass(QString::fromLocal8Bit(hint.res_name)))
        || (hint.res_class && isTerminalWindowClass(QString::fromLocal8Bit(hint.res_class)));
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return terminal;
}

} // namespace Qb::Platform
