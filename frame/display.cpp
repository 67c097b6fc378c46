#include "frame/display.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <xcb/xcb.h>

namespace zmsg {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// Connects and hangs up at once: the server answers, or it does not.
bool XServerAnswers(const std::string& display) {
    if (display.empty())
        return false;
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const bool ok = c && xcb_connection_has_error(c) == 0;
    if (c)
        xcb_disconnect(c);
    return ok;
}

bool WaylandAnswers(const std::string& display) {
    if (display.empty())
        return false;
    std::string path = display;
    if (path[0] != '/') {
        const std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return false;
        path = runtime + "/" + display;
    }
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path)
        return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool CanOpenDisplay() {
    // QT_QPA_PLATFORM may list fallbacks ("wayland;xcb"): one that opens is enough.
    const std::string platforms = Env("QT_QPA_PLATFORM");
    if (!platforms.empty()) {
        size_t from = 0;
        while (from <= platforms.size()) {
            const size_t end = std::min(platforms.find(';', from), platforms.size());
            const std::string entry = platforms.substr(from, end - from);
            const std::string name = entry.substr(0, entry.find(':'));
            if (name == "xcb") {
                if (XServerAnswers(Env("DISPLAY")))
                    return true;
            } else if (name.rfind("wayland", 0) == 0) {
                if (WaylandAnswers(Env("WAYLAND_DISPLAY")))
                    return true;
            } else if (!name.empty()) {
                return true; // offscreen, minimal, vnc, eglfs...: no server to ask
            }
            from = end + 1;
        }
        return false;
    }
    // Unset, Qt tries Wayland first in a Wayland session, X otherwise and after it.
    if (Env("XDG_SESSION_TYPE") == "wayland" && WaylandAnswers(Env("WAYLAND_DISPLAY")))
        return true;
    return XServerAnswers(Env("DISPLAY"));
}

} // namespace zmsg
