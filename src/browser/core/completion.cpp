// The texts that tell the pupil where a copy, an export or an install went.
#include "browser/core/completion.h"

namespace completion {

QString folderCopied(const QString &desktopName) {
    return QStringLiteral("デスクトップの「%1」にコピーしました。").arg(desktopName);
}

QString folderExported(const QString &desktopName) {
    return QStringLiteral("デスクトップの「%1」にエクスポートしました。").arg(desktopName);
}

QString installed(const QStringList &folders) {
    constexpr int kNamed = 3; // more would not fit the notice
    if (folders.isEmpty())
        return QStringLiteral("ファイルを入れられませんでした。");
    QString names;
    for (int i = 0; i < folders.size() && i < kNamed; ++i)
        names += QStringLiteral("「") + folders[i] + QStringLiteral("」");
    if (folders.size() > kNamed)
        names += QStringLiteral("など");
    return QStringLiteral("MWEXの%1に入れました。").arg(names);
}

bool leftOutOfExport(const QString &relativePath) {
    QString p = relativePath;
    p.replace(u'\\', u'/');
    while (p.startsWith(u'/'))
        p.remove(0, 1);
    if (p.contains(u'/'))
        return false; // only the roster files beside the Logo program count
    const QString grade = QStringLiteral("学年");
    const QString ext = QStringLiteral(".txt");
    if (!p.startsWith(grade) || !p.endsWith(ext, Qt::CaseInsensitive))
        return false;
    const QString middle = p.mid(grade.size(), p.size() - grade.size() - ext.size());
    if (middle == QStringLiteral("名"))
        return true;
    if (middle.isEmpty())
        return false;
    for (QChar c : middle)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace completion
