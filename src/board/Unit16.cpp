// TForm16, the small window that is created with the others and never shown.
#include "board/Unit16.h"

TForm16::TForm16(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form16"));
    resize(120, 80);
}
