// Closing the main window and the delayed close.
#include "app/MAIN.h"
#include "app/core/errors.h"
#include "app/core/usagelog.h"
#include "platform/core/fs.h"
#include "platform/platform.h"

#include <QTimer>

void TForm1::FormClose() {
    MATE(QStringLiteral("おわります"), QStringLiteral("--- おまちください ---"));
    const QString log = v_.QUMOHOZON + QStringLiteral("QUMODATE.csv");
    // A close before the start-up sequence has made the save folder and the start line
    // leaves no record: it would land in whatever the current folder is, without its start.
    const bool ready =
        !v_.QUMOHOZON.isEmpty() && !v_.CSVDATA.isEmpty() && platform::directoryExists(v_.QUMOHOZON);
    if (!v_.DL && !v_.DVD && ready && !platform::fileExists(log)) {
        const QDateTime end = platform_.currentDateTime();
        const QString text = QStringLiteral("QUMO=,") + v_.programFile + u'\r' +
                             QStringLiteral("MWEXフォルダ=,") + v_.MWEXEDIR + u'\\' + u'\r' +
                             v_.CSVDATA + QStringLiteral("終了時刻=,") + usagelog::dateField(end) +
                             u',' + usagelog::timeField(end) + u'\r';
        try {
            BSAVE1(log, text);
        } catch (const QumoError &) {
            // The log is written whole or not at all; should writing it be refused with an
            // error, the program ends all the same.
        }
    }
}

void TForm1::OWARI() {
    Timer2->setInterval(kCloseDelayMs);
    Timer2->start();
}

void TForm1::Timer2Timer() {
    Timer2->stop();
    close();
}
