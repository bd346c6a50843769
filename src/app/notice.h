#pragma once
// Showing the self-closing notice: the one step that the main window's MATE and the small
// objects working for it share.
#include <QString>

class QWidget;
class TForm2;

// Shows notice `n` with the lines S1 and S2, centred over `over` the first time (may be
// null), and draws it before the caller goes on, even when the caller then blocks.
void showNotice(TForm2 &n, QWidget *over, const QString &S1, const QString &S2);
