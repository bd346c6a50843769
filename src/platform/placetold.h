#pragma once
// Keeps the toolkit's idea of where a full-screen window lies in line with the window
// system's, for a short while after the window shows. The notice sent carries the size the
// X server has now, so a window resized as it shows must not use it.
class QWidget;

namespace platform {
class Platform;

// A window manager may place the new window's frame on the primary monitor after the
// toolkit read the window's place and not tell the window; every global place the toolkit
// gives inside the window (its buttons, its menus) would then lie on the other monitor.
// The place is told again at once and for a while.
void tellPlaceAfterShowing(QWidget *window, platform::Platform &platform);
} // namespace platform
