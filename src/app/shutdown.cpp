// Closing the main window and the delayed close.
#include "app/MAIN.h"

#include <QTimer>

void TForm1::FormClose() { MATE(QStringLiteral("おわります"), QStringLiteral("--- おまちください ---")); }

void TForm1::OWARI() {
    Timer2->setInterval(1500);
    Timer2->start();
}

void TForm1::Timer2Timer() {
    Timer2->stop();
    close();
}
