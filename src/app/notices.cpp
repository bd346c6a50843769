// Notices and the small housekeeping handlers of the main window.
#include "app/MAIN.h"
#include "app/Unit2.h"

#include <QApplication>
#include <QLabel>
#include <QWebEngineView>

void TForm1::MATE(const QString &S1, const QString &S2) {
    if (!forms_ || !forms_->Form2)
        return;
    TForm2 *n = forms_->Form2;
    n->Label1->setText(S1);
    n->Label2->setText(S2);
    n->Label1->adjustSize();
    n->Label2->adjustSize();
    n->resize(n->Label1->width() + 200, n->height());
    n->showOver(this);
    // Drawn before the caller goes on, even when the caller then blocks.
    n->repaint();
    QApplication::processEvents();
}

void TForm1::Panel1Resize() {
    WebBrowser1->setGeometry(-2, -2, Panel1->width() + 4, Panel1->height() + 4);
}

void TForm1::Panel2Click() {}
