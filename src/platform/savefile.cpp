#include "platform/savefile.h"
#include "platform/paths.h"

#include <QSaveFile>

namespace platform {

SaveFile::SaveFile() = default;

SaveFile::~SaveFile() {
    if (file_ && file_->isOpen())
        file_->cancelWriting();
}

bool SaveFile::open(const QString &path, QString *error) {
    path_ = path;
    const QString host = toHost(path);
    if (host.isEmpty() || host.endsWith(u'/')) {
        if (error)
            *error = QStringLiteral("ファイル %1 を作成できません。").arg(path);
        return false;
    }
    file_ = std::make_unique<QSaveFile>(host);
    if (!file_->open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("ファイル %1 を作成できません。%2").arg(path, file_->errorString());
        file_.reset();
        return false;
    }
    return true;
}

bool SaveFile::write(const char *data, qint64 size) {
    return file_ && file_->write(data, size) == size;
}

bool SaveFile::commit(QString *error) {
    if (!file_)
        return false;
    if (!file_->commit()) {
        if (error)
            *error = QStringLiteral("ファイル %1 に書き込めません。%2").arg(path_, file_->errorString());
        return false;
    }
    return true;
}

} // namespace platform
