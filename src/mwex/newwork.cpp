// New works from the template and the Logo program's menu language.
#include "app/MAIN.h"

void TForm1::SpeedButton6Click() {}
void TForm1::SpeedButton13Click() {}
void TForm1::SpeedButton14Click() {}
