// Downloads and copies into the pupil's folder and the Logo program's folders.
#include "app/MAIN.h"
#include "platform/fs.h"

bool TForm1::CopyURL(const QString &, const QString &) {
    v_.DLFLG = 0;
    return false;
}
bool TForm1::FFCOPY(const QString &FromF, const QString &ToF) {
    // Never overwrites; a copy from a read-only medium becomes the pupil's to change.
    if (platform::fileExists(ToF))
        return true;
    if (!platform::copyFile(FromF, ToF, false))
        return false;
    if (platform::isReadOnly(ToF))
        platform::setReadOnly(ToF, false);
    return platform::fileExists(ToF);
}
void TForm1::MWEXDL(const QString &, const QString &) {}
void TForm1::MWEXCOPY(const QString &, const QString &) {}
QString TForm1::URLF(const QString &S1, const QString &S2) { return S1 + S2; }
QString TForm1::FILF(const QString &S1, const QString &S2) { return S1 + S2; }
QString TForm1::CutNN(const QString &S) { return S; }
QString TForm1::CutNN2(const QString &S) { return S; }
