#include "app/Unit2.h"
#include "app/pictures.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

TForm2::TForm2(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form2"));
    setFixedHeight(84);
    resize(329, 84);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x00, 0x54, 0xE3)); // active caption colour
    setPalette(pal);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(32, 24, 32, 32);
    Image1->setPixmap(picture("notice").pixmap(QSize(32, 32)));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(80, 24);
    QFont f1(QStringLiteral("ＭＳ ゴシック"));
    f1.setPixelSize(24);
    Label1->setFont(f1);
    Label1->setStyleSheet(QStringLiteral("color: yellow"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(80, 63);
    QFont f2(QStringLiteral("Tahoma"));
    f2.setPixelSize(11);
    Label2->setFont(f2);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2500);
    connect(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
}

void TForm2::showOver(QWidget *over) {
    if (isVisible())
        return;
    if (!placed_ && over) {
        const QRect g = over->frameGeometry();
        corner_ = g.center() - QPoint(width() / 2, height() / 2);
        placed_ = true;
    }
    // Asked for before every showing, so that the window manager places it there.
    if (placed_)
        move(corner_);
    show();
    FormShow();
}

void TForm2::FormShow() {
    if (!pointerHidden_) {
        QApplication::setOverrideCursor(Qt::BlankCursor);
        pointerHidden_ = true;
    }
    Timer1->start();
}

void TForm2::Timer1Timer() {
    Timer1->stop();
    if (pointerHidden_) {
        QApplication::restoreOverrideCursor();
        pointerHidden_ = false;
    }
    hide();
}
