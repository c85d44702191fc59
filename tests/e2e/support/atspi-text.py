#!/usr/bin/python3
# The focused text of the program with process id argv[2], as the program reports it on the
# accessibility bus. argv[1] "caret": prints "x y", the left edge of the character cell at the
# caret in screen pixels (at the end of the text the right edge of the last character); "text":
# prints the whole text. Asked independently of Quillbox: the accessible tree is walked from the
# program's root. Prints nothing when the program or its focused text is not found.
import sys

import pyatspi


def focused_text(accessible, depth=0):
    if accessible is None or depth > 40:
        return None
    try:
        if accessible.getState().contains(pyatspi.STATE_FOCUSED):
            try:
                return accessible.queryText()
            except NotImplementedError:
                pass
        for i in range(accessible.childCount):
            found = focused_text(accessible.getChildAtIndex(i), depth + 1)
            if found:
                return found
    except Exception:
        return None
    return None


def main():
    what, pid = sys.argv[1], int(sys.argv[2])
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or app.get_process_id() != pid:
            continue
        text = focused_text(app)
        if text is None:
            return
        caret, count = text.caretOffset, text.characterCount
        if what == "text":
            print(text.getText(0, count))
            return
        if caret < count:
            x, y, _, _ = text.getCharacterExtents(caret, pyatspi.DESKTOP_COORDS)
        else:
            x, y, w, _ = text.getCharacterExtents(count - 1, pyatspi.DESKTOP_COORDS)
            x += w
        print(x, y)


main()
