// Date and time fields of the usage log.
#include "app/core/usagelog.h"

namespace usagelog {

QString standardDateTimeText(const QDateTime &moment) {
    // The shell is made for Japanese classrooms: the Japanese regional defaults, short date
    // "yyyy/MM/dd" and long time "H:mm:ss", whatever the host's locale says.
    return moment.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

QString dateField(const QDateTime &moment) { return standardDateTimeText(moment).left(10); }

QString timeField(const QDateTime &moment) { return standardDateTimeText(moment).mid(11, 8); }

} // namespace usagelog
