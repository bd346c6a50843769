// Starting the Logo program with a work and placing its window.
#include "app/MAIN.h"

void TForm1::SHELLMWEXE(const QString &, const QString &) {}
