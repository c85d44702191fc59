// SPDX-License-Identifier: GPL-3.0-or-later
// qb-testclient: a plain X11 client for the end-to-end tests. It shows one window with a given
// title, reports the window's id, and appends every key it receives, in order, to a file.
//
// Usage: qb-testclient [options]
//   --title TEXT        window title (WM_NAME and _NET_WM_NAME); default "qb-testclient"
//   --geometry WxH+X+Y  size and position, asked for as the user's choice; default 300x200+900+100
//   --keys FILE         append one line per key press received: the keysym name as the key
//                       typed it ("a", "A", "space", "Return", "F12"), flushed at once
//   --with-state        add the event's modifier state to each line, in hex after a blank
//                       ("a 0x10": Mod2, which is NumLock on the usual key maps; 0x2 CapsLock)
//                       Characters the key map gained for the moment are read as the server maps
//                       them when the key arrives (MappingNotify is followed): "U6253" for 打.
//   --focus             take the keyboard focus once the window is shown
//   --grab MODS+KEY     before showing the window, grab KEY with the modifiers MODS on the root
//                       window for every lock-key state, as a program with a global hotkey does
//                       (MODS: control, shift, alt, super joined by "+"; KEY: a keysym name,
//                       e.g. control+F10). Presses of it are logged like other keys. Exits with
//                       status 3 when another client holds it already.
// Output: once the window is mapped, its id in decimal and a newline on standard output.
// It runs until it is killed or its window is closed. Exit status 2 for bad options or no display.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Options
{
    std::string title = "qb-testclient";
    std::string geometry = "300x200+900+100";
    std::string keys;
    std::string grab;
    bool focus = false;
    bool withState = false;
};

int usage(const char *message)
{
    std::fprintf(stderr, "qb-testclient: %s (see the top of qb-testclient.cpp)\n", message);
    return 2;
}

bool parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--focus")
            o.focus = true;
        else if (arg == "--with-state")
            o.withState = true;
        else if (arg == "--title" && hasValue)
            o.title = argv[++i];
        else if (arg == "--geometry" && hasValue)
            o.geometry = argv[++i];
        else if (arg == "--keys" && hasValue)
            o.keys = argv[++i];
        else if (arg == "--grab" && hasValue)
            o.grab = argv[++i];
        else
            return false;
    }
    return true;
}

int grabError = 0;

int onError(Display *, XErrorEvent *event)
{
    grabError = event->error_code;
    return 0;
}

// Grabs "mods+key" on the root window; false when it is malformed or refused.
bool grab(Display *display, const std::string &combo, bool &refused)
{
    unsigned mask = 0;
    std::string rest = combo;
    for (std::size_t plus; (plus = rest.find('+')) != std::string::npos; rest = rest.substr(plus + 1)) {
        const std::string mod = rest.substr(0, plus);
        if (mod == "control")
            mask |= ControlMask;
        else if (mod == "shift")
            mask |= ShiftMask;
        else if (mod == "alt")
            mask |= Mod1Mask;
        else if (mod == "super")
            mask |= Mod4Mask;
        else
            return false;
    }
    const KeySym keysym = XStringToKeysym(rest.c_str());
    const KeyCode code = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
    if (code == 0)
        return false;
    XSetErrorHandler(onError);
    for (unsigned lock : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(display, code, mask | lock, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    XSetErrorHandler(nullptr);
    refused = grabError == BadAccess;
    return grabError == 0;
}

Window createWindow(Display *display, const Options &o)
{
    int x = 0, y = 0;
    unsigned width = 300, height = 200;
    const int parsed = XParseGeometry(o.geometry.c_str(), &x, &y, &width, &height);
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, width, height, 0,
                                              BlackPixel(display, screen), WhitePixel(display, screen));
    XSizeHints hints{};
    hints.flags = USSize | ((parsed & (XValue | YValue)) ? USPosition : 0);
    hints.x = x, hints.y = y, hints.width = int(width), hints.height = int(height);
    XSetWMNormalHints(display, window, &hints);
    XStoreName(display, window, o.title.c_str());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(o.title.data()), int(o.title.size()));
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, KeyPressMask | StructureNotifyMask);
    return window;
}

void logKey(std::FILE *log, XKeyEvent &event, bool withState)
{
    char text[32];
    KeySym keysym = NoSymbol;
    XLookupString(&event, text, sizeof text, &keysym, nullptr);
    const char *name = keysym == NoSymbol ? nullptr : XKeysymToString(keysym);
    if (withState)
        std::fprintf(log, "%s 0x%x\n", name ? name : "NoSymbol", event.state);
    else
        std::fprintf(log, "%s\n", name ? name : "NoSymbol");
    std::fflush(log);
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    if (!parse(argc, argv, o))
        return usage("bad options");
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return usage("cannot open the display");
    std::FILE *log = nullptr;
    if (!o.keys.empty() && !(log = std::fopen(o.keys.c_str(), "a")))
        return usage("cannot open the key file");
    bool refused = false;
    if (!o.grab.empty() && !grab(display, o.grab, refused)) {
        std::fprintf(stderr, "qb-testclient: grab of %s %s\n", o.grab.c_str(), refused ? "refused" : "malformed");
        return refused ? 3 : 2;
    }
    const Window window = createWindow(display, o);
    XMapWindow(display, window);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.window == window) {
            if (o.focus)
                XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
            std::printf("%lu\n", window);
            std::fflush(stdout);
        } else if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping); // as every Xlib client should
        } else if (event.type == KeyPress && log) {
            logKey(log, event.xkey, o.withState);
        } else if (event.type == ClientMessage && event.xclient.message_type == protocols) {
            break;
        }
    }
    XCloseDisplay(display);
    return 0;
}
