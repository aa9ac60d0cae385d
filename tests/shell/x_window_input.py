"""Drives the viewer's window on an X server the way a user would, for the
window test: finds the window by its title, reports its size, moves the
pointer into it, presses keys through the XTEST extension and closes it as a
window manager would (WM_DELETE_WINDOW). Only the system's libX11 and libXtst
are used, through ctypes.

usage: x_window_input.py TITLE ACTION...
  ACTION: size | key KEYSYM | close | wait SECONDS
Prints "size W H" for size. Exit code 0, 3 when the libraries are missing,
4 when no window with the title appears within 20 seconds.
"""
import ctypes
import ctypes.util
import sys
import time


def load(name):
    path = ctypes.util.find_library(name)
    return ctypes.CDLL(path) if path else None


x11 = load("X11")
xtst = load("Xtst")
if not x11 or not xtst:
    sys.exit(3)

Window = ctypes.c_ulong
Atom = ctypes.c_ulong
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                           ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x11.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
x11.XFree.argtypes = [ctypes.c_void_p]
x11.XInternAtom.restype = Atom
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XGetGeometry.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(ctypes.c_int),
                             ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_uint),
                             ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint),
                             ctypes.POINTER(ctypes.c_uint)]
x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                      ctypes.POINTER(Window)]
x11.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33

# Windows come and go while the tree is searched (the viewer's toolkit makes
# and destroys helpers as it starts): a window gone between XQueryTree and
# XFetchName is an X error, which by default ends this process. Ignored, the
# call fails and the search goes on.
ErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
x11.XSetErrorHandler.restype = ctypes.c_void_p
x11.XSetErrorHandler.argtypes = [ErrorHandler]
ignore_errors = ErrorHandler(lambda display, event: 0)


def find(display, window, title):
    name = ctypes.c_char_p()
    if x11.XFetchName(display, window, ctypes.byref(name)) and name.value is not None:
        found = name.value == title
        x11.XFree(name)
        if found:
            return window
    root, parent = Window(), Window()
    children = ctypes.POINTER(Window)()
    count = ctypes.c_uint()
    if not x11.XQueryTree(display, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(children),
                          ctypes.byref(count)):
        return None
    kids = [children[i] for i in range(count.value)]
    if children:
        x11.XFree(children)
    for kid in kids:
        hit = find(display, kid, title)
        if hit:
            return hit
    return None


def main():
    title = sys.argv[1].encode()
    actions = sys.argv[2:]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit(3)
    x11.XSetErrorHandler(ignore_errors)
    root = x11.XDefaultRootWindow(display)
    window = None
    deadline = time.time() + 20
    while window is None and time.time() < deadline:
        window = find(display, root, title)
        if window is None:
            time.sleep(0.05)
    if window is None:
        sys.exit(4)
    # Keys reach the window under the pointer when no window manager sets
    # the focus: put the pointer in the middle of the window.
    x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
    x11.XTranslateCoordinates(display, window, root, 0, 0, ctypes.byref(x), ctypes.byref(y), ctypes.byref(child))
    geometry = [ctypes.c_uint() for _ in range(4)]
    at = [ctypes.c_int(), ctypes.c_int()]
    x11.XGetGeometry(display, window, ctypes.byref(Window()), ctypes.byref(at[0]), ctypes.byref(at[1]),
                     *[ctypes.byref(g) for g in geometry])
    width, height = geometry[0].value, geometry[1].value
    xtst.XTestFakeMotionEvent(display, -1, x.value + width // 2, y.value + height // 2, 0)
    x11.XSync(display, 0)
    i = 0
    while i < len(actions):
        action = actions[i]
        if action == "size":
            print("size", width, height, flush=True)
        elif action == "key":
            i += 1
            code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(actions[i].encode()))
            xtst.XTestFakeKeyEvent(display, code, 1, 0)
            x11.XSync(display, 0)
            time.sleep(0.1)
            xtst.XTestFakeKeyEvent(display, code, 0, 0)
        elif action == "close":
            event = XEvent()
            event.xclient.type = CLIENT_MESSAGE
            event.xclient.window = window
            event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
            event.xclient.format = 32
            event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
            x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        elif action == "wait":
            i += 1
            time.sleep(float(actions[i]))
        x11.XSync(display, 0)
        i += 1


main()
