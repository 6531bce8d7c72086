// The focused X11 window (its id, title and owning process), through libX11 loaded at run time so that the program also runs
// (and builds) without X.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "Internal.h"

namespace ombra::calcbridge {

namespace {

using Display = struct _XDisplay;
using Window = unsigned long;
using Atom = unsigned long;

struct X11 {
    Display *(*OpenDisplay)(const char *) = nullptr;
    int (*CloseDisplay)(Display *) = nullptr;
    Atom (*InternAtom)(Display *, const char *, int) = nullptr;
    int (*GetWindowProperty)(Display *, Window, Atom, long, long, int, Atom, Atom *, int *, unsigned long *,
                             unsigned long *, unsigned char **) = nullptr;
    int (*Free)(void *) = nullptr;
    Window (*DefaultRootWindow)(Display *) = nullptr;
    using ErrorHandler = int (*)(Display *, void *);
    ErrorHandler (*SetErrorHandler)(ErrorHandler) = nullptr;
    int (*Sync)(Display *, int) = nullptr;
    bool ok = false;
};

const X11 &Library() {
    static X11 x;
    static std::once_flag once;
    std::call_once(once, [] {
        void *h = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!h) return;
        x.OpenDisplay = reinterpret_cast<decltype(x.OpenDisplay)>(dlsym(h, "XOpenDisplay"));
        x.CloseDisplay = reinterpret_cast<decltype(x.CloseDisplay)>(dlsym(h, "XCloseDisplay"));
        x.InternAtom = reinterpret_cast<decltype(x.InternAtom)>(dlsym(h, "XInternAtom"));
        x.GetWindowProperty = reinterpret_cast<decltype(x.GetWindowProperty)>(dlsym(h, "XGetWindowProperty"));
        x.Free = reinterpret_cast<decltype(x.Free)>(dlsym(h, "XFree"));
        x.DefaultRootWindow = reinterpret_cast<decltype(x.DefaultRootWindow)>(dlsym(h, "XDefaultRootWindow"));
        x.SetErrorHandler = reinterpret_cast<decltype(x.SetErrorHandler)>(dlsym(h, "XSetErrorHandler"));
        x.Sync = reinterpret_cast<decltype(x.Sync)>(dlsym(h, "XSync"));
        x.ok = x.SetErrorHandler && x.Sync && x.OpenDisplay && x.CloseDisplay && x.InternAtom && x.GetWindowProperty && x.Free && x.DefaultRootWindow;
    });
    return x;
}

// Reads a property as bytes; empty when missing.
std::string Property(const X11 &x, Display *d, Window w, Atom property, Atom type, unsigned long *firstWord) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    constexpr Atom kAnyPropertyType = 0;
    if (x.GetWindowProperty(d, w, property, 0, 1024, 0, type == 0 ? kAnyPropertyType : type, &actualType, &format,
                            &count, &remaining, &data) != 0 || !data) {
        return {};
    }
    std::string bytes;
    if (firstWord && format == 32 && count > 0) *firstWord = *reinterpret_cast<unsigned long *>(data);
    if (format == 8) bytes.assign(reinterpret_cast<char *>(data), count);
    x.Free(data);
    return bytes;
}

// A window that vanishes between the queries must not end the process (Xlib's default handler exits).
int IgnoreXError(Display *, void *) { return 0; }

}  // namespace

ActiveWindow X11ActiveWindow() {
    ActiveWindow window;
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display) return window;
    const X11 &x = Library();
    if (!x.ok) return window;
    Display *d = x.OpenDisplay(nullptr);
    if (!d) return window;
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    X11::ErrorHandler previous = x.SetErrorHandler(IgnoreXError);
    constexpr Atom kXA_WINDOW = 33;
    constexpr Atom kXA_CARDINAL = 6;
    Atom activeAtom = x.InternAtom(d, "_NET_ACTIVE_WINDOW", 1);
    if (activeAtom != 0) Property(x, d, x.DefaultRootWindow(d), activeAtom, kXA_WINDOW, &window.id);
    if (window.id != 0) {
        window.title = Property(x, d, window.id, x.InternAtom(d, "_NET_WM_NAME", 0), x.InternAtom(d, "UTF8_STRING", 0), nullptr);
        constexpr Atom kXA_WM_NAME = 39;
        if (window.title.empty()) window.title = Property(x, d, window.id, kXA_WM_NAME, 0, nullptr);
        unsigned long pid = 0;
        Property(x, d, window.id, x.InternAtom(d, "_NET_WM_PID", 0), kXA_CARDINAL, &pid);
        window.pid = static_cast<long>(pid);
    }
    x.Sync(d, 0);
    x.SetErrorHandler(previous);
    x.CloseDisplay(d);
    return window;
}

}  // namespace ombra::calcbridge
