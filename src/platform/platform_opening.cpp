// Host services used by downloads, the usage log and the opening of works and folders.
#include "platform/opener.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QUrl>

#include <climits>

namespace platform {

namespace {

// A copy that takes longer than this shows its progress.
constexpr int kCopyProgressAfterMs = 1000;

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
    // into itself.
    QStringList dirs, files;
    qint64 totalBytes = 0;
    QDirIterator it(src, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == target || path.startsWith(targetPrefix))
            continue;
        const QString rel = QDir(src).relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            dirs.append(rel);
        } else if (!leaveOut || !leaveOut(rel)) {
            files.append(rel);
            totalBytes += it.fileInfo().size();
        }
    }

    // Counted in kilobytes so that big copies fit the bar's range.
    const auto kb = [](qint64 bytes) { return int(qMin<qint64>(bytes / 1024, INT_MAX)); };
    QProgressDialog progress(copyProgressText(0, int(files.size()), 0, totalBytes),
                             QStringLiteral("キャンセル"), 0, kb(totalBytes), owner);
    progress.setObjectName(QStringLiteral("copyProgress"));
    progress.setWindowTitle(QApplication::applicationName());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kCopyProgressAfterMs); // quick copies are done before it shows
    progress.setAutoClose(false);

    QStringList failed;
    bool cancelled = false;
    if (!QDir().mkpath(target))
        failed.append(target);
    for (const QString &d : std::as_const(dirs))
        if (!QDir().mkpath(target + u'/' + d))
            failed.append(d);
    qint64 bytesDone = 0;
    for (int i = 0; i < files.size(); ++i) {
        progress.setLabelText(
            copyProgressText(i, int(files.size()), bytesDone, totalBytes));
        progress.setValue(kb(bytesDone));
        if (progress.wasCanceled()) {
            cancelled = true;
            break;
        }
        const QString from = src + u'/' + files[i];
        const QString to = target + u'/' + files[i];
        const QFileInfo existing(to);
        if (existing.exists() || existing.isSymLink()) {
            QFile::setPermissions(to, QFile::permissions(to) | QFile::WriteOwner);
            QFile::remove(to);
        }
        if (!QFile::copy(from, to))
            failed.append(files[i]);
        bytesDone += QFileInfo(from).size();
    }
    progress.setValue(kb(totalBytes));
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
