// Host services used by downloads, the usage log and the opening of works and folders.
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

namespace platform {

QDateTime Platform::currentDateTime() {
    return QDateTime::currentDateTime();
}

bool Platform::confirmYesNo(QWidget *owner, const QString &text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), shown,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("confirmYesNo"));
    box.setDefaultButton(QMessageBox::Yes);
    box.adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        box.move(screen->geometry().center() - box.rect().center());
    return box.exec() == QMessageBox::Yes;
}

namespace {
QString withoutTrailingSlash(QString p) {
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}
} // namespace

bool Platform::copyFolderTree(QWidget *owner, const QString &source, const QString &destination) {
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
    QDirIterator it(src, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == target || path.startsWith(targetPrefix))
            continue;
        const QString rel = QDir(src).relativeFilePath(path);
        if (it.fileInfo().isDir())
            dirs.append(rel);
        else
            files.append(rel);
    }

    QProgressDialog progress(QStringLiteral("コピーしています…"), QStringLiteral("キャンセル"), 0,
                             int(files.size()), owner);
    progress.setObjectName(QStringLiteral("copyProgress"));
    progress.setWindowTitle(QApplication::applicationName());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(700); // small folders are done before it would show
    progress.setAutoClose(false);

    QStringList failed;
    bool cancelled = false;
    if (!QDir().mkpath(target))
        failed.append(target);
    for (const QString &d : std::as_const(dirs))
        if (!QDir().mkpath(target + u'/' + d))
            failed.append(d);
    for (int i = 0; i < files.size(); ++i) {
        progress.setLabelText(files[i]);
        progress.setValue(i);
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
    }
    progress.setValue(int(files.size()));
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
