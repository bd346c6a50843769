// Opening saved works, starting programs, copying material folders to the desktop.
#include "app/MAIN.h"

void TForm1::SpeedButton7MouseUp(QMouseEvent *) { HIRAKU(); }
void TForm1::HIRAKU() {}
void TForm1::EXE123(const QString &, const QString &) {}
void TForm1::DTPCOPY(const QString &, const QString &, const QString &, const QString &) {}
