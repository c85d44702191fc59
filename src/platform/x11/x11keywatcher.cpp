// SPDX-License-Identifier: GPL-3.0-or-later
// Key recording and list-key grabs on X11.
#include "platform/x11/x11keywatcher.h"

#include "platform/x11/x11connection.h"
#include "platform/x11/x11errortrap.h"

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

namespace Qb::Platform {

namespace {

int qtKeyOf(KeySym keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return Qt::Key_A + int(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return Qt::Key_A + int(keysym - XK_A);
    if (keysym >= XK_0 && keysym <= XK_9)
        return Qt::Key_0 + int(keysym - XK_0);
    switch (keysym) {
    case XK_space: return Qt::Key_Space;
    case XK_Escape: return Qt::Key_Escape;
    case XK_Next: return Qt::Key_PageDown;
    case XK_Prior: return Qt::Key_PageUp;
    case XK_Return: return Qt::Key_Return;
    default: return Qt::Key_unknown;
    }
}

// The keysym a key types at the Shift state `shifted`: the second level when it has one.
KeySym keysymAt(Display *display, unsigned keycode, bool shifted)
{
    const KeySym base = XkbKeycodeToKeysym(display, KeyCode(keycode), 0, 0);
    if (!shifted)
        return base;
    const KeySym upper = XkbKeycodeToKeysym(display, KeyCode(keycode), 0, 1);
    return upper != NoSymbol ? upper : base;
}

} // namespace

struct X11KeyWatcher::Session
{
    X11KeyWatcher *watcher;
    std::unique_ptr<X11Connection> data;
    unsigned long context = 0;
    bool live = true; // false once stopped: presses still in the connection are dropped
};

// The recording's callback, a plain function for Xlib, reaches the watcher through here.
struct X11KeyWatcherAccess
{
    static void onRecorded(XPointer closure, XRecordInterceptData *data)
    {
        const auto *session = reinterpret_cast<const X11KeyWatcher::Session *>(closure);
        if (session->live && data->category == XRecordFromServer && data->data_len >= sizeof(xEvent) / 4) {
            const auto *event = reinterpret_cast<const xEvent *>(data->data);
            if ((event->u.u.type & 0x7F) == KeyPress)
                session->watcher->keyRecorded(event->u.u.detail, event->u.keyButtonPointer.state);
        }
        XRecordFreeData(data);
    }
};

X11KeyWatcher::X11KeyWatcher(std::unique_ptr<X11Connection> control, QObject *parent)
    : KeyWatcher(parent)
    , m_control(std::move(control))
{
    if (!m_control)
        return;
    m_masks = X11ModifierMasks::read(m_control->display());
    m_control->setEventHandler([this](XEvent &event) {
        // Withheld presses also arrive here; the recording has reported them already.
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request == MappingModifier)
                m_masks = X11ModifierMasks::read(m_control->display());
        }
    });
}

X11KeyWatcher::~X11KeyWatcher()
{
    withholdListKeys(false);
    stopRecording();
    m_retired.clear();
}

bool X11KeyWatcher::startRecording()
{
    if (m_session)
        return true;
    if (!m_control)
        return false;
    Display *control = m_control->display();
    int major = 0, minor = 0;
    if (!XRecordQueryVersion(control, &major, &minor))
        return false;
    auto session = std::make_unique<Session>(Session{this, X11Connection::open()});
    XRecordRange *range = session->data ? XRecordAllocRange() : nullptr;
    if (!range)
        return false;
    range->device_events.first = KeyPress;
    range->device_events.last = KeyPress;
    XRecordClientSpec clients = XRecordAllClients;
    X11ErrorTrap trap(control);
    session->context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (trap.sync() != 0 || session->context == 0)
        return false;
    Display *data = session->data->display();
    if (!XRecordEnableContextAsync(data, session->context, &X11KeyWatcherAccess::onRecorded,
                                   reinterpret_cast<XPointer>(session.get()))) {
        XRecordFreeContext(control, session->context);
        return false;
    }
    session->data->setReadableHandler([data] { XRecordProcessReplies(data); });
    m_session = std::move(session);
    return true;
}

void X11KeyWatcher::stopRecording()
{
    if (!m_session)
        return;
    Display *control = m_control->display();
    XRecordDisableContext(control, m_session->context);
    XRecordFreeContext(control, m_session->context);
    XSync(control, False);
    m_session->live = false;
    m_ownPresses = 0;
    m_retired.push_back(std::move(m_session));
    QMetaObject::invokeMethod(this, [this] { m_retired.clear(); }, Qt::QueuedConnection);
}

void X11KeyWatcher::keyRecorded(unsigned keycode, unsigned state)
{
    if (m_ownPresses > 0) {
        --m_ownPresses;
        return;
    }
    WatchedKeyPress press;
    const KeySym keysym = keysymAt(m_control->display(), keycode, state & ShiftMask);
    press.key = qtKeyOf(keysym);
    if (state & ShiftMask)
        press.modifiers |= Qt::ShiftModifier;
    if (state & ControlMask)
        press.modifiers |= Qt::ControlModifier;
    if (state & m_masks.alt)
        press.modifiers |= Qt::AltModifier;
    if (state & m_masks.super)
        press.modifiers |= Qt::MetaModifier;
    if (IsKeypadKey(keysym) || IsPrivateKeypadKey(keysym)) {
        press.modifiers |= Qt::KeypadModifier;
        press.key = Qt::Key_unknown;
    }
    emit keyPressed(press);
}

// The digits with the Shift state that types them on this keyboard, with and without Control;
// space and Escape with any of Shift and Control.
std::vector<std::pair<unsigned, unsigned>> X11KeyWatcher::listKeyGrabs() const
{
    Display *display = m_control->display();
    std::vector<std::pair<unsigned, unsigned>> grabs;
    for (KeySym digit = XK_0; digit <= XK_9; ++digit) {
        const KeyCode keycode = XKeysymToKeycode(display, digit);
        if (keycode == 0)
            continue;
        const unsigned shift = keysymAt(display, keycode, false) == digit ? 0u : unsigned(ShiftMask);
        grabs.emplace_back(keycode, shift);
        grabs.emplace_back(keycode, shift | ControlMask);
    }
    for (KeySym keysym : {KeySym(XK_space), KeySym(XK_Escape)}) {
        const KeyCode keycode = XKeysymToKeycode(display, keysym);
        if (keycode == 0)
            continue;
        for (unsigned mask : {0u, unsigned(ShiftMask), unsigned(ControlMask), unsigned(ShiftMask | ControlMask)})
            grabs.emplace_back(keycode, mask);
    }
    return grabs;
}

bool X11KeyWatcher::withholdListKeys(bool on)
{
    if (!m_control)
        return !on;
    if (on == m_withholding)
        return true;
    Display *display = m_control->display();
    const Window root = m_control->rootWindow();
    // Released exactly as taken (lock states included), even if the keyboard or modifier
    // mapping changed in between: a grab left behind would keep these keys from every program.
    if (on) {
        m_grabbed.clear();
        for (const auto &[keycode, mask] : listKeyGrabs()) {
            for (unsigned lock : m_masks.lockVariants())
                m_grabbed.emplace_back(keycode, mask | lock);
        }
    }
    X11ErrorTrap trap(display);
    for (const auto &[keycode, mask] : m_grabbed) {
        if (on)
            XGrabKey(display, int(keycode), mask, root, False, GrabModeAsync, GrabModeAsync);
        else
            XUngrabKey(display, int(keycode), mask, root);
    }
    // The grabs must be in force before the caller goes on: the next key may follow at once.
    const bool allTaken = trap.sync() == 0;
    m_withholding = on;
    if (!on)
        m_grabbed.clear();
    return allTaken || !on;
}

} // namespace Qb::Platform
