#pragma once
// Services of the host that act on the outside world. One real implementation per host;
// tests derive from it and record where acting is impossible here (a document opened
// with its associated program, a beep).
#include <QString>

class QWidget;

namespace platform {

// MessageBeep types.
constexpr unsigned BeepDefault = 0;
constexpr unsigned BeepAsterisk = 0x40;

class Platform {
public:
    virtual ~Platform() = default;

    // MessageBeep.
    virtual void messageBeep(unsigned type);
    // The shell's open operation (verb "OPEN", show mode 5): a file with its associated
    // program, a folder in the file manager, a web URL in the default browser. `target`
    // is given as the shell gets it, possibly in double quotes. The result is not examined
    // by the callers; false when nothing could be started.
    virtual bool shellOpen(const QString &target, const QString &parameters,
                           const QString &folder);
    // A message box with an error's text, owned by `owner` (may be null).
    virtual void errorBox(QWidget *owner, const QString &text);
};

// The implementation for this host.
Platform &hostPlatform();

} // namespace platform
