// SPDX-License-Identifier: GPL-3.0-or-later
// qb-recordcontexts: prints how many recording contexts of the RECORD extension exist on the
// display, over all of its clients, as the X server itself counts them (X-Resource extension).
// The hint tests use it to show when a program records keys and when it does not.
// Usage: qb-recordcontexts. Exit status 2 without a display, 3 without the X-Resource extension.
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include <cstdio>
#include <cstring>

int main()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    int eventBase = 0, errorBase = 0;
    if (!XResQueryExtension(display, &eventBase, &errorBase))
        return 3;
    int clientCount = 0;
    XResClient *clients = nullptr;
    XResQueryClients(display, &clientCount, &clients);
    long contexts = 0;
    for (int c = 0; c < clientCount; ++c) {
        int typeCount = 0;
        XResType *types = nullptr;
        if (!XResQueryClientResources(display, clients[c].resource_base, &typeCount, &types))
            continue;
        for (int t = 0; t < typeCount; ++t) {
            char *name = XGetAtomName(display, types[t].resource_type);
            if (name && std::strcmp(name, "RecordContext") == 0)
                contexts += types[t].count;
            XFree(name);
        }
        XFree(types);
    }
    XFree(clients);
    std::printf("%ld\n", contexts);
    XCloseDisplay(display);
    return 0;
}
