// Downloads and copies into the pupil's folder and the Logo program's folders.
#include "app/MAIN.h"
#include "app/Unit2.h"
#include "browser/downloader.h"
#include "browser/linkcommand.h"
#include "app/errors.h"
#include "browser/installlist.h"
#include "platform/fs.h"
#include "platform/paths.h"

#include <QCoreApplication>

// The target is `DestFile` exactly as given, on every side: the existence test, the folder
// made for it, the file written, and the callers that open it afterwards. A name holding
// "%20" is thus saved and found under that same name.
bool TForm1::CopyURL(const QString &SourceFile, const QString &DestFile) {
    if (platform::fileExists(DestFile)) {
        v_.DLFLG = 1;
        return true;
    }
    MATE(v_.HOZON + QStringLiteral("にダウンロードします。"), QString());
    const QString folder = platform::extractFilePath(DestFile);
    if (!folder.isEmpty() && !platform::directoryExists(folder))
        platform::forceDirectories(folder);
    QCoreApplication::processEvents();

    // Every run keeps its own outcome: another run may start and end while this one waits
    // for data, and the flag then tells the outcome of whichever ended last.
    bool ok = false;
    if (SourceFile.contains(u'\\')) {
        v_.DLFLG = 0;
        ok = FFCOPY(SourceFile, DestFile);
    } else {
        v_.DLFLG = 1;
        try {
            ok = downloads()->fetch(SourceFile, DestFile);
        } catch (...) {
            v_.DLFLG = 0;
            throw;
        }
    }
    v_.DLFLG = ok ? 1 : 0;
    return ok;
}

Downloader *TForm1::downloads() {
    if (downloads_)
        return downloads_;
    downloads_ = new Downloader(this);
    // The notice shows how far a download is and offers to stop it.
    connect(downloads_, &Downloader::started, this, [this] {
        if (forms_ && forms_->Form2)
            forms_->Form2->beginDownload([d = downloads_] { d->cancel(); });
    });
    connect(downloads_, &Downloader::progress, this, [this](qint64 received, qint64 total) {
        if (forms_ && forms_->Form2)
            forms_->Form2->setProgressText(downloadProgressText(received, total));
    });
    connect(downloads_, &Downloader::finished, this, [this] {
        if (forms_ && forms_->Form2)
            forms_->Form2->endDownload();
    });
    return downloads_;
}

bool TForm1::FFCOPY(const QString &FromF, const QString &ToF) {
    if (platform::fileExists(ToF))
        return true;
    if (!platform::copyFile(FromF, ToF, false))
        return false;
    if (platform::isReadOnly(ToF))
        platform::setReadOnly(ToF, false);
    return true;
}

void TForm1::MWEXDL(const QString &S1, const QString &S2) {
    for (const installlist::Record &r : installlist::parse(S2)) {
        if (!installlist::staysInside(r))
            continue;
        CopyURL(URLF(S1, r.file), v_.MWEXEDIR + u'\\' + r.folder + u'\\' + r.file);
    }
}

void TForm1::MWEXCOPY(const QString &S1, const QString &S2) {
    for (const installlist::Record &r : installlist::parse(S2)) {
        if (!installlist::staysInside(r))
            continue;
        platform::copyFile(FILF(S1, r.file), v_.MWEXEDIR + u'\\' + r.folder + u'\\' + r.file,
                           false);
    }
}

QString TForm1::URLF(const QString &S1, const QString &S2) {
    return S1.left(S1.lastIndexOf(u'/') + 1) + S2;
}

QString TForm1::FILF(const QString &S1, const QString &S2) {
    return S1.left(S1.lastIndexOf(u'\\') + 1) + S2;
}

// One rule for the whole shell: the link protocol's.
QString TForm1::CutNN(const QString &S) { return linkcmd::cutNN(S); }

QString TForm1::CutNN2(const QString &S) { return linkcmd::cutNN2(S); }
