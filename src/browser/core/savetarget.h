#pragma once
// The one gate to a place where an action writes a file on the pupil's behalf.
#include <QString>
#include <optional>

// A path that lies inside the folder it was checked against. Only SaveTarget::inside makes
// one, and the operations that write for a link or a button (downloads, copies, install
// lists, new works) take nothing else: an action that skips the check does not compile.
class SaveTarget {
public:
    // `path` when it is `folder` (a Windows path ending with "\") followed by a contained
    // name: no ".." component, no drive or other ":", no leading "\" or "/" (each also
    // percent-decoded), no control character. Nothing otherwise.
    static std::optional<SaveTarget> inside(const QString &folder, const QString &path);

    const QString &path() const { return path_; }

private:
    explicit SaveTarget(QString path) : path_(std::move(path)) {}
    QString path_;
};
