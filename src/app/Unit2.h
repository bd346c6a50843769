#pragma once
// The self-closing notice: stays on top, hides the pointer, closes after 2.5 seconds.
#include <QWidget>

class QLabel;
class QTimer;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QTimer *Timer1 = nullptr;

    void FormShow();
    void Timer1Timer();
    // The pointer is hidden while the notice shows.
    bool pointerHidden() const { return pointerHidden_; }
    // Centred over `over` the first time it is shown; afterwards it keeps its corner.
    void showOver(QWidget *over);

private:
    bool placed_ = false;
    QPoint corner_; // kept by us: a window manager may report another place once it is hidden
    bool pointerHidden_ = false;
};
