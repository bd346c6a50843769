#include "platform/savefile.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

namespace platform {

SaveFile::SaveFile() = default;

SaveFile::~SaveFile() {
    discard();
}

void SaveFile::discard() {
    if (!file_)
        return;
    file_->close();
    file_->remove();
    file_.reset();
}

bool SaveFile::open(const QString &path, QString *error) {
    path_ = path;
    host_ = toHost(path);
    const QFileInfo target(host_);
    if (host_.isEmpty() || host_.endsWith(u'/') || target.isDir()) {
        if (error)
            *error = QStringLiteral("ファイル %1 を作成できません。").arg(path);
        return false;
    }
    // A hidden name beside the target, made new (never an existing file); created with the
    // ordinary permissions of a new file.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString temp =
            target.absolutePath() + QStringLiteral("/.") + target.fileName() +
            QStringLiteral(".%1.part")
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        auto f = std::make_unique<QFile>(temp);
        if (f->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            file_ = std::move(f);
            return true;
        }
        if (f->error() != QFileDevice::OpenError || QFileInfo::exists(temp) == false) {
            if (error)
                *error =
                    QStringLiteral("ファイル %1 を作成できません。%2").arg(path, f->errorString());
            return false;
        }
    }
    if (error)
        *error = QStringLiteral("ファイル %1 を作成できません。").arg(path);
    return false;
}

bool SaveFile::write(const char *data, qint64 size) {
    if (!file_ || failed_)
        return false;
    if (file_->write(data, size) != size)
        failed_ = true;
    return !failed_;
}

bool SaveFile::commit(QString *error) {
    if (!file_)
        return false;
    // No sync to disk here: it would hold the windows still for a long moment after a big
    // download, and the rename below already never shows a partial file under the name.
    if (failed_ || !file_->flush()) {
        if (error)
            *error =
                QStringLiteral("ファイル %1 に書き込めません。%2").arg(path_, file_->errorString());
        discard();
        return false;
    }
    file_->close();
    if (std::rename(QFile::encodeName(file_->fileName()).constData(),
                    QFile::encodeName(host_).constData()) != 0) {
        if (error)
            *error = QStringLiteral("ファイル %1 を作成できません。").arg(path_);
        discard();
        return false;
    }
    file_.reset();
    return true;
}

} // namespace platform
