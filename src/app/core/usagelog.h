#pragma once
// Date and time fields of the usage log, cut from the standard date-and-time text.
#include <QDateTime>
#include <QString>

namespace usagelog {

// The user's short date, a blank and the long time ("2026/12/10 9:05:03" in Japan).
QString standardDateTimeText(const QDateTime &moment);
// Its first 10 characters.
QString dateField(const QDateTime &moment);
// The 8 characters from the 12th, or fewer where the text ends sooner.
QString timeField(const QDateTime &moment);

} // namespace usagelog
