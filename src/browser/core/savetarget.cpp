// The gate to the places where actions write files.
#include "browser/core/savetarget.h"
#include "browser/core/linkcommand.h"

namespace {
// A name as written: it is saved under exactly that name, percent signs and all.
bool hasControlCharacter(const QString &name) {
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}
} // namespace

std::optional<SaveTarget> SaveTarget::inside(const QString &folder, const QString &path) {
    if (folder.isEmpty() || !folder.endsWith(u'\\') || !path.startsWith(folder))
        return std::nullopt;
    const QString name = path.mid(folder.size());
    if (!linkcmd::isContainedName(name) || hasControlCharacter(name))
        return std::nullopt;
    return SaveTarget(path);
}
