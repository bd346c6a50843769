// The modal notice TForm5: one big line and OK.
#include "app/Unit5.h"
#include "app/guard.h"
#include "platform/platform.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

TForm5::TForm5(platform::Platform &platform, QWidget *parent)
    : QDialog(parent), platform_(platform) {
    const guard::Guard guarded(platform_, this);
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    setFixedSize(645, 309);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(104, 80);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(35);
    Label1->setFont(f);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(264, 240, 113, 49);
    QFont fb(QStringLiteral("Tahoma"));
    fb.setPixelSize(27);
    BitBtn1->setFont(fb);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, guarded(&TForm5::BitBtn1Click));
}

void TForm5::showEvent(QShowEvent *e) {
    // The caller has just set the text; the label follows it.
    Label1->adjustSize();
    if (!placed_) {
        // Centred over the main window the first time, wherever it is then.
        QWidget *over = parentWidget();
        if (!over) {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QLatin1String("Form1") && w->isVisible()) {
                    over = w;
                    break;
                }
            }
        }
        if (over) {
            const QRect g = over->frameGeometry();
            move(g.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
        placed_ = true;
    }
    QDialog::showEvent(e);
    FormShow();
}

void TForm5::FormShow() { platform_.messageBeep(platform::BeepDefault); }

void TForm5::BitBtn1Click() { accept(); }
