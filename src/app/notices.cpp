// Notices and the small housekeeping handlers of the main window.
#include "app/MAIN.h"
#include "app/Unit2.h"
#include "app/form1layout.h"
#include "app/notice.h"
#include "platform/core/paths.h"
#include "platform/platform.h"

#include <QApplication>
#include <QLabel>
#include <QWebEngineView>

void showNotice(TForm2 &n, QWidget *over, const QString &S1, const QString &S2) {
    n.Label1->setText(S1);
    n.Label2->setText(S2);
    n.Label1->adjustSize();
    n.Label2->adjustSize();
    n.resize(n.Label1->width() + TForm2::RoomBesideHeadline, n.height());
    n.showOver(over);
    // Drawn before the caller goes on, even when the caller then blocks.
    n.repaint();
    QApplication::processEvents();
}

void TForm1::MATE(const QString &S1, const QString &S2) {
    if (!forms_ || !forms_->Form2)
        return;
    showNotice(*forms_->Form2, this, S1, S2);
}

void TForm1::openFailed(const QString &target) {
    QString shown = target.trimmed();
    if (shown.size() >= 2 && shown.startsWith(u'"') && shown.endsWith(u'"'))
        shown = shown.mid(1, shown.size() - 2);
    platform_.messageBeep(platform::BeepDefault);
    MATE(QStringLiteral("ひらけませんでした。"), shown);
}

void TForm1::openOrSay(const QString &target) {
    if (!platform_.shellOpen(u'"' + target + u'"', QString(), QString()))
        openFailed(target);
}

void TForm1::Panel1Resize() {
    using form1layout::kBrowserOverlap;
    WebBrowser1->setGeometry(-kBrowserOverlap, -kBrowserOverlap,
                             Panel1->width() + 2 * kBrowserOverlap,
                             Panel1->height() + 2 * kBrowserOverlap);
}
