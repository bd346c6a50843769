// Downloads and copies into the pupil's folder and the Logo program's folders.
#include "browser/downloads.h"
#include "app/Unit2.h"
#include "browser/downloader.h"
#include "browser/core/installlist.h"
#include "browser/core/linkcommand.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"

#include <QCoreApplication>

Transfers::Transfers(Needs needs, QObject *parent)
    : QObject(parent), n_(std::move(needs)), downloads_(new Downloader(this)) {
    // The notice shows how far a download is and offers to stop it.
    connect(downloads_, &Downloader::started, this, [this] {
        if (TForm2 *n = n_.noticeWindow ? n_.noticeWindow() : nullptr)
            n->beginDownload([d = downloads_] { d->cancel(); });
    });
    connect(downloads_, &Downloader::progress, this, [this](qint64 received, qint64 total) {
        if (TForm2 *n = n_.noticeWindow ? n_.noticeWindow() : nullptr)
            n->setProgressText(downloadProgressText(received, total));
    });
    connect(downloads_, &Downloader::finished, this, [this] {
        if (TForm2 *n = n_.noticeWindow ? n_.noticeWindow() : nullptr)
            n->endDownload();
    });
}

// The target is `DestFile` exactly as given, on every side: the existence test, the folder
// made for it, the file written, and the callers that open it afterwards. A name holding
// "%20" is thus saved and found under that same name.
bool Transfers::CopyURL(const QString &SourceFile, const SaveTarget &Dest) {
    const QString &DestFile = Dest.path();
    QumoValues &v = *n_.values;
    if (platform::fileExists(DestFile)) {
        v.DLFLG = 1;
        return true;
    }
    n_.notice(v.HOZON + QStringLiteral("にダウンロードします。"), QString());
    const QString folder = platform::extractFilePath(DestFile);
    if (!folder.isEmpty() && !platform::directoryExists(folder))
        platform::forceDirectories(folder);
    QCoreApplication::processEvents();

    // Every run keeps its own outcome: another run may start and end while this one waits
    // for data, and the flag then tells the outcome of whichever ended last.
    bool ok = false;
    if (SourceFile.contains(u'\\')) {
        v.DLFLG = 0;
        ok = FFCOPY(SourceFile, Dest);
    } else {
        v.DLFLG = 1;
        try {
            ok = downloads_->fetch(SourceFile, DestFile);
        } catch (...) {
            v.DLFLG = 0;
            throw;
        }
        if (!ok)
            tellFailure(DestFile);
    }
    v.DLFLG = ok ? 1 : 0;
    return ok;
}

void Transfers::tellFailure(const QString &DestFile) {
    const QString why = downloadFailureText(downloads_->lastFailure());
    if (why.isEmpty())
        return;
    if (n_.beep)
        n_.beep();
    n_.notice(why, linkcmd::fileNameOf(DestFile));
}

bool Transfers::FFCOPY(const QString &FromF, const SaveTarget &To) {
    const QString &ToF = To.path();
    if (platform::fileExists(ToF))
        return true;
    if (!platform::copyFile(FromF, ToF, false))
        return false;
    if (platform::isReadOnly(ToF))
        platform::setReadOnly(ToF, false);
    return true;
}

// Where a record of an install list goes in the MWEX folder; nothing for one that would leave it.
static std::optional<SaveTarget> installTarget(const QString &MWEXEDIR,
                                               const installlist::Record &r) {
    if (!installlist::staysInside(r))
        return std::nullopt;
    return SaveTarget::inside(MWEXEDIR + u'\\', MWEXEDIR + u'\\' + r.folder + u'\\' + r.file);
}

void Transfers::MWEXDL(const QString &S1, const QString &S2) {
    for (const installlist::Record &r : installlist::parse(S2)) {
        if (const auto to = installTarget(n_.values->MWEXEDIR, r))
            CopyURL(URLF(S1, r.file), *to);
    }
}

void Transfers::MWEXCOPY(const QString &S1, const QString &S2) {
    for (const installlist::Record &r : installlist::parse(S2)) {
        if (const auto to = installTarget(n_.values->MWEXEDIR, r))
            platform::copyFile(FILF(S1, r.file), to->path(), false);
    }
}

QString Transfers::URLF(const QString &S1, const QString &S2) {
    return S1.left(S1.lastIndexOf(u'/') + 1) + S2;
}

QString Transfers::FILF(const QString &S1, const QString &S2) {
    return S1.left(S1.lastIndexOf(u'\\') + 1) + S2;
}
