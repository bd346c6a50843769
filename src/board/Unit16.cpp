#include "board/Unit16.h"

TForm16::TForm16(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form16"));
    resize(120, 80);
}
