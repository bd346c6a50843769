// Thumbnail catalogues of the Logo program's picture folders.
#include "app/MAIN.h"

void TForm1::MWSHAPE(const QString &) {}
