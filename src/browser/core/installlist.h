#pragma once
// Install lists: records "file#folder&" naming files to be placed into sub-folders of the
// Logo program's folder.
#include <QList>
#include <QString>

namespace installlist {

struct Record {
    QString file;   // resolved against the list's own folder
    QString folder; // below the Logo program's folder, possibly several levels deep
};

// Reads the records strictly in turn: the file name is everything before the next "#", the
// folder everything from there to the next "&". What stands between one "&" and the next
// "#" (a line break) belongs to the next file name; text after the last "&" is ignored.
QList<Record> parse(const QString &text);

// False for a record that could place its file outside the Logo program's folder: a ".."
// component, a drive or any ":", a leading "\" or "/" (UNC names included), or no file
// name at all.
bool staysInside(const Record &record);

// True for a relative path that stays inside the folder it is taken from: no ".."
// component, no drive or ":", no leading "\" or "/".
bool isInsidePath(const QString &relative);

} // namespace installlist
