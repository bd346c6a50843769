#pragma once
// The desktop's file opener: hands a file, a folder or a web address to whatever program
// the desktop associates with it. It never starts the thing itself as a program.
#include <QString>

#include <functional>

namespace platform {

// An opener that ends with a failure within this time could not open the thing; a later
// end is the end of the program it started, and says nothing about the opening.
constexpr int OpenerVerdictMs = 20000;

// Starts the desktop's opener (xdg-open) on `what` (a host path or a web address) in
// `folder` (may be empty). False when there is no opener or it could not be started.
// `failed` is called from the event loop when the opener reports within OpenerVerdictMs
// that it could not open `what` (no program for it, a missing file).
bool startDesktopOpener(const QString &what, const QString &folder,
                        std::function<void()> failed);

} // namespace platform
