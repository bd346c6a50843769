#pragma once
// Where a program fetched from the web may come from without asking the pupil.
#include <QString>
#include <QStringList>

namespace origin {

// The host of a URL, lower case, as the internet reader will contact it; empty for local
// URLs ("\", "file:") and for anything without a host.
QString hostOf(const QString& url);
// A program at `url` starts without a question when it is local, or when its host is the
// material site's or the host of one of `homePages` (the configured home page).
bool trustedProgramSource(const QString& url, const QStringList& homePages);

} // namespace origin
