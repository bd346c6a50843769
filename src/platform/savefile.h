#pragma once
// A file written under a temporary name in its target's folder and renamed to the target
// only when every byte has been written, so a broken-off write never leaves a partial file
// under the target's name.
#include <QString>
#include <memory>

class QFile;

namespace platform {

class SaveFile {
public:
    SaveFile();
    ~SaveFile(); // removes the temporary file unless committed
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // `path` is the target, a Windows path. False with a message when it cannot be made.
    bool open(const QString &path, QString *error);
    bool write(const char *data, qint64 size);
    // Puts the file in place, replacing a file of that name; false (and nothing left) when
    // a write failed or the rename did.
    bool commit(QString *error);

private:
    void discard();

    std::unique_ptr<QFile> file_;
    QString path_, host_;
    bool failed_ = false;
};

} // namespace platform
