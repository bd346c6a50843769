#include "board/Unit14.h"

TForm14::TForm14(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form14"));
    setWindowTitle(QStringLiteral("名前を付けて保存"));
}
