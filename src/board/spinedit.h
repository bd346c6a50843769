#pragma once
// A whole-number field with up and down arrows whose text may hold anything while it is
// being typed: the board reads the text itself, and the field's limits are applied only
// when it loses the keyboard focus.
#include <QLineEdit>
#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    TSpinEdit(const QString &name, int min, int max, int value, int step, QWidget *parent);

    QString Text() const { return lineEdit()->text(); }
    void setText(const QString &text) { lineEdit()->setText(text); }
    // The text as a whole number, or the field's minimum when it is not one.
    int Value() const;

signals:
    // Every change of the text, typed or set (the field's change event).
    void Changed();

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void focusOutEvent(QFocusEvent *e) override;
};
