#pragma once
// The drawing board: the frozen screen with a chalk layer over it.
#include <QDialog>
#include <QImage>

class TForm25 : public QDialog {
    Q_OBJECT
public:
    explicit TForm25(QWidget *parent = nullptr);
};
