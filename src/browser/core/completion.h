#pragma once
// The short texts that tell the pupil where a copy, an export or an install went, and what
// an export leaves out.
#include <QString>
#include <QStringList>

namespace completion {

// A material folder copied into the desktop folder `desktopName`.
QString folderCopied(const QString &desktopName);
// A material folder exported as a package into the desktop folder `desktopName`.
QString folderExported(const QString &desktopName);
// An install list carried out: `folders` are the sub-folders of the Logo program's folder
// that hold the list's files now (in list order, each once); none when nothing was placed.
QString installed(const QStringList &folders);

// Files of the Logo program's folder that an export leaves out, by their path relative to
// that folder ("/" or "\" separated): the roster files, which hold every pupil's name and
// serve no purpose in the exported program (its name has no "_", so it never opens the
// picker).
bool leftOutOfExport(const QString &relativePath);

} // namespace completion
