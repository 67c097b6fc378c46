// Whether this process can show windows at all. A host run from cron has no display, and a display
// variable is no proof of one: a GUI application created without a display that opens ends the
// process, so the module looks before it creates one.
#pragma once

namespace zmsg {

// True when the platform Qt would pick can open its display: a platform named in QT_QPA_PLATFORM that
// needs no server (offscreen, minimal, ...), an X server at DISPLAY that accepts a connection, or a
// Wayland compositor at WAYLAND_DISPLAY when the session is a Wayland one.
bool CanOpenDisplay();

} // namespace zmsg
