#include "board/Unit25.h"

TForm25::TForm25(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form25"));
}
