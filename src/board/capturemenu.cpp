// The board's capture menu: its handlers are filled by the capture window's unit.
#include "board/Unit25.h"

void TForm25::SpeedButton13Click() {}
void TForm25::N14Click() {}
void TForm25::N51Click() {}
void TForm25::N101Click() {}
void TForm25::N301Click() {}
void TForm25::Timer1Timer() {}
