#pragma once
// Services of the host that act on the outside world. One real implementation per host;
// tests derive from it and record where acting is impossible here (a document opened
// with its associated program, a beep).
#include <QDateTime>
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

    // ---- downloads, usage log, opening works and folders ----
    // The current date and time (the clock of the usage log).
    virtual QDateTime currentDateTime();
    // A modal confirmation with a question icon and the buttons Yes and No, centred on the
    // screen; a CR in `text` breaks the line. True for Yes.
    virtual bool confirmYesNo(QWidget *owner, const QString &text);
    // Copies the folder `source` (Windows path) with all it holds into the folder
    // `destination`, as destination\<last component of source>; the destination is made
    // when missing and files already there are replaced without questions. A progress
    // window owned by `owner` appears when the copy takes a while, and failures are
    // reported in it. False when something could not be copied or the copy was cancelled.
    virtual bool copyFolderTree(QWidget *owner, const QString &source, const QString &destination);
};

// The implementation for this host.
Platform &hostPlatform();

} // namespace platform
