// Freezing the screen and opening the drawing board from the main window.
#include "app/MAIN.h"

void TForm1::SpeedButton8Click() {}
void TForm1::SpeedButton8MouseEnter() {}
void TForm1::SpeedButton8MouseLeave() {}
void TForm1::Timer1Timer() {}
void TForm1::CaptureRect(const QRect &, QImage &) {}
