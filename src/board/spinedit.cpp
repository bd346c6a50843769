// The whole-number field with up and down arrows.
#include "board/spinedit.h"

#include <algorithm>

TSpinEdit::TSpinEdit(const QString &name, int min, int max, int value, int step, QWidget *parent)
    : QSpinBox(parent) {
    setObjectName(name);
    setRange(min, max);
    setSingleStep(step);
    setValue(value);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::Changed);
}

int TSpinEdit::Value() const {
    bool ok = false;
    const int v = Text().trimmed().toInt(&ok);
    return ok ? v : minimum();
}

QValidator::State TSpinEdit::validate(QString &input, int &) const {
    bool ok = false;
    const int v = input.trimmed().toInt(&ok);
    if (ok && v >= minimum() && v <= maximum())
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

void TSpinEdit::focusOutEvent(QFocusEvent *e) {
    bool ok = false;
    const int v = Text().trimmed().toInt(&ok);
    setValue(ok ? std::clamp(v, minimum(), maximum()) : value());
    QSpinBox::focusOutEvent(e);
}
