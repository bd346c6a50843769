#include "folders/Unit4.h"
#include "app/MAIN.h"

TForm4::TForm4(QumoValues &values, TForm1 *main, QWidget *parent)
    : QDialog(parent), v_(values), main_(main) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("名前フォルダの設定"));
}
