// Host services used by downloads, the usage log and the opening of works and folders.
#include "platform/core/opener.h"
#include "platform/core/paths.h"
#include "platform/platform.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "platform/aside.h"
#include "platform/treecopy.h"

#include <atomic>
#include <climits>

namespace platform {

namespace {

// A copy that takes longer than this shows its progress.
constexpr int kCopyProgressAfterMs = 1000;
// How often the progress of a running copy is brought up to date.
constexpr int kCopyProgressTickMs = 50;

QString sizeText(qint64 bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}
} // namespace

QString copyProgressText(int filesDone, int filesTotal, qint64 bytesDone, qint64 bytesTotal) {
    return QStringLiteral("コピーしています… %1 / %2 ファイル（%3 / %4）")
        .arg(filesDone)
        .arg(filesTotal)
        .arg(sizeText(bytesDone), sizeText(bytesTotal));
}

QDateTime Platform::currentDateTime() {
    return QDateTime::currentDateTime();
}

namespace {
// The Yes/No box centred on the screen; `safe` is the answer Enter and Esc give.
bool askYesNo(QWidget *owner, const QString &text, const QString &name,
              QMessageBox::StandardButton safe) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), shown,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(name);
    box.setDefaultButton(safe);
    if (safe == QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    box.adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        box.move(screen->geometry().center() - box.rect().center());
    return box.exec() == QMessageBox::Yes;
}
} // namespace

bool Platform::confirmYesNo(QWidget *owner, const QString &text) {
    return askYesNo(owner, text, QStringLiteral("confirmYesNo"), QMessageBox::Yes);
}

// A question whose safe answer is No (a program from an unknown web host).
bool Platform::confirmYesNoDefaultNo(QWidget *owner, const QString &text) {
    return askYesNo(owner, text, QStringLiteral("confirmYesNoDefaultNo"), QMessageBox::No);
}

namespace {
QString withoutTrailingSlash(QString p) {
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}
} // namespace

bool Platform::copyFolderTree(QWidget *owner, const QString &source, const QString &destination,
                              const std::function<bool(const QString &)> &leaveOut) {
    const QString src = withoutTrailingSlash(toHost(source));
    const QString dst = withoutTrailingSlash(toHost(destination));
    if (src.isEmpty() || dst.isEmpty() || !QFileInfo(src).isDir())
        return false;
    const QString name = QFileInfo(src).fileName();
    if (name.isEmpty())
        return false;
    const QString target = QDir::cleanPath(dst + u'/' + name);
    const QString targetPrefix = target + u'/';

    // Listed before anything is written, so a destination inside the source is not copied
    // into itself. Listing, writing and syncing run on a thread of their own; this thread
    // keeps the window alive and shows the progress.
    QStringList dirs, files, failed;
    qint64 totalBytes = 0;
    TreeCopyProgress done;
    std::atomic<bool> listed{false};
    QProgressDialog progress(copyProgressText(0, 0, 0, 0), QStringLiteral("キャンセル"), 0, 1,
                             owner);
    progress.setObjectName(QStringLiteral("copyProgress"));
    progress.setWindowTitle(QApplication::applicationName());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kCopyProgressAfterMs); // quick copies are done before it shows
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    // Counted in kilobytes so that big copies fit the bar's range.
    const auto kb = [](qint64 bytes) { return int(qMin<qint64>(bytes / 1024, INT_MAX)); };
    QTimer tick;
    tick.setInterval(kCopyProgressTickMs);
    QObject::connect(&tick, &QTimer::timeout, &progress, [&] {
        if (progress.wasCanceled())
            done.cancel = true;
        if (!listed.load())
            return;
        progress.setMaximum(qMax(1, kb(totalBytes)));
        progress.setLabelText(copyProgressText(done.files.load(), int(files.size()),
                                               done.bytes.load(), totalBytes));
        progress.setValue(qMin(kb(done.bytes.load()), qMax(1, kb(totalBytes)) - 1));
    });
    QObject::connect(&progress, &QProgressDialog::canceled, &progress,
                     [&done] { done.cancel = true; });
    progress.setValue(0);
    tick.start();
    runAside(
        [&] {
            QDirIterator it(src,
                            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            const QDir from(src);
            while (it.hasNext()) {
                const QString path = it.next();
                if (path == target || path.startsWith(targetPrefix))
                    continue;
                const QString rel = from.relativeFilePath(path);
                if (it.fileInfo().isDir()) {
                    dirs.append(rel);
                } else if (!leaveOut || !leaveOut(rel)) {
                    files.append(rel);
                    totalBytes += it.fileInfo().size();
                }
            }
            listed = true;
            failed = copyTreeFiles(src, target, dirs, files, done);
        },
        [&done] { done.cancel = true; });
    tick.stop();
    const bool cancelled = !done.placing.load();
    progress.close();
    if (!failed.isEmpty()) {
        QStringList shown = failed.mid(0, 5);
        if (failed.size() > 5)
            shown.append(QStringLiteral("…"));
        errorBox(owner,
                 QStringLiteral("コピーできなかったファイルがあります。\n") + shown.join(u'\n'));
    }
    return failed.isEmpty() && !cancelled;
}

} // namespace platform
