// The page-navigation buttons, the URL field and the URL clip.
#include "app/MAIN.h"
#include "browser/webpage.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/platform.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace {
const QString kClipHint = QStringLiteral("左：URLをクリップ／右：クリップをクリア");
const QString kNoClipHint = QStringLiteral("URLのクリップ");
const QString kOpenClipHint = QStringLiteral("クリップしたページを表示");
const QString kOpenHomeHint = QStringLiteral("最初のページを開きます");
} // namespace

void TForm1::SpeedButton1Click() { Navigate(v_.SYOKIURL); }

void TForm1::SpeedButton2Click() {
    page_->notePupilInput(); // the page that history brings back is the pupil's choice
    QWebEngineHistory *h = WebBrowser1->history();
    if (!h || !h->canGoBack()) {
        platform_.messageBeep(platform::BeepDefault);
        return;
    }
    h->back();
}

void TForm1::SpeedButton3Click() { WebBrowser1->reload(); }

void TForm1::SpeedButton4Click() {
    page_->notePupilInput();
    QWebEngineHistory *h = WebBrowser1->history();
    if (!h || !h->canGoForward()) {
        platform_.messageBeep(platform::BeepDefault);
        return;
    }
    h->forward();
}

void TForm1::SpeedButton5Click() {
    // Handed to the system as typed; a field it cannot open is said to be so.
    openOrSay(Edit2->text());
}

void TForm1::SpeedButton9MouseDown(QMouseEvent *e) {
    v_.RFLG = e && (e->buttons() & Qt::RightButton);
}

void TForm1::SpeedButton9MouseUp(QMouseEvent *) {
    const QString F = v_.QUMOCLIP;
    // The file alone decides whether the open-clip button stays.
    const auto showOpenClip = [&] {
        if (!F.isEmpty() && platform::fileExists(F)) {
            SpeedButton10->setVisible(true);
            SpeedButton10->setToolTip(kOpenClipHint);
        } else {
            SpeedButton10->setVisible(false);
            SpeedButton10->setToolTip(kOpenHomeHint);
        }
    };
    if (v_.RFLG) {
        v_.CLIPURL.clear();
        SpeedButton9->setToolTip(kNoClipHint);
        if (!F.isEmpty() && platform::fileExists(F))
            platform::deleteFile(F);
    } else {
        v_.CLIPURL = Edit2->text();
        SpeedButton9->setToolTip(kClipHint);
        SpeedButton10->setVisible(true);
        SpeedButton10->setToolTip(kOpenClipHint);
        if (!v_.DVD) {
            try {
                BSAVE(F, Edit2->text());
            } catch (...) {
                // The pupil is told why (the error goes on to the message box), and the
                // button does not offer a clip that was never written.
                showOpenClip();
                throw;
            }
        }
    }
    showOpenClip();
}

void TForm1::SpeedButton10Click() {
    Navigate(v_.CLIPURL.isEmpty() ? v_.SYOKIURL : v_.CLIPURL);
}

void TForm1::SpeedButton11Click() { Navigate(Edit2->text()); }

void TForm1::WebBrowser1CommandStateChange(int Command, bool Enable) {
    if (Command == CommandForward)
        SpeedButton4->setEnabled(Enable);
    else if (Command == CommandBack)
        SpeedButton2->setEnabled(Enable);
}

void TForm1::WebBrowser1DocumentComplete(const QString &URL) { Edit2->setText(URL); }

void TForm1::WebBrowser1NewWindow3(const QString &bstrUrl) { Edit2->setText(bstrUrl); }
