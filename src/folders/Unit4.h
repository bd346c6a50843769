#pragma once
// The name-folder picker: grade, class and name on big buttons.
#include <QDialog>

struct QumoValues;
class TForm1;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    TForm4(QumoValues &values, TForm1 *main, QWidget *parent = nullptr);

private:
    QumoValues &v_;
    TForm1 *main_;
};
