#pragma once
// A small window that is created with the others and never shown.
#include <QWidget>

class TForm16 : public QWidget {
    Q_OBJECT
public:
    explicit TForm16(QWidget *parent = nullptr);
};
