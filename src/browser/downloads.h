#pragma once
// Downloads and copies into the pupil's folder and the Logo program's folders: a small
// object that gets what it needs from the main window (the values, the notice) passed in.
#include "app/core/values.h"
#include "browser/core/savetarget.h"

#include <QObject>
#include <QString>
#include <functional>

class Downloader;
class TForm2;

class Transfers : public QObject {
    Q_OBJECT
public:
    // What the downloads and copies need from the window that owns them.
    struct Needs {
        QumoValues *values = nullptr;
        // The self-closing notice with two lines.
        std::function<void(const QString &, const QString &)> notice;
        // The notice window that shows a download's progress and its stop button; null
        // while there is none.
        std::function<TForm2 *()> noticeWindow;
        // Sounds the default beep with a failed download's notice; none when null.
        std::function<void()> beep;
    };

    explicit Transfers(Needs needs, QObject *parent = nullptr);

    // A web URL or a local Windows path into `DestFile`; an existing target counts as done.
    // Sets DLFLG to the outcome of the run that ended last. A web download that fails says
    // why in the notice, with the default beep (not one the pupil stopped).
    bool CopyURL(const QString &SourceFile, const SaveTarget &DestFile);
    static bool FFCOPY(const QString &FromF, const SaveTarget &ToF);
    // Each resource of the install list `S2` from beside the web list `S1` into its MWEX
    // sub-folder.
    void MWEXDL(const QString &S1, const QString &S2);
    // The same from beside the local list `S1`.
    void MWEXCOPY(const QString &S1, const QString &S2);
    static QString URLF(const QString &S1, const QString &S2);
    static QString FILF(const QString &S1, const QString &S2);
    // The web downloads of CopyURL (their rules, cancelling them).
    Downloader *downloads() const { return downloads_; }

private:
    // The notice and beep of a failed web download into `DestFile`.
    void tellFailure(const QString &DestFile);

    Needs n_;
    Downloader *downloads_ = nullptr;
};
