// The main window's shared operations that small objects do: downloads and copies, the
// link commands, the launcher, program starts and desktop copies; what each needs from
// the window is handed to it here.
#include "app/MAIN.h"
#include "app/Unit2.h"
#include "browser/downloader.h"
#include "browser/downloads.h"
#include "browser/core/linkcommand.h"
#include "browser/linkrunner.h"
#include "browser/opening.h"
#include "browser/webpage.h"
#include "mwex/launch.h"
#include "platform/platform.h"

#include <QLineEdit>
#include <QWebEngineView>

// ---- downloads and copies ----

Transfers *TForm1::transfers() {
    if (!transfers_)
        transfers_ = new Transfers(
            {&v_, [this](const QString &S1, const QString &S2) { MATE(S1, S2); },
             [this]() -> TForm2 * { return forms_ ? forms_->Form2 : nullptr; },
             [this] { platform_.messageBeep(platform::BeepDefault); }},
            this);
    return transfers_;
}

Downloader *TForm1::downloads() { return transfers()->downloads(); }

bool TForm1::CopyURL(const QString &SourceFile, const SaveTarget &DestFile) {
    return transfers()->CopyURL(SourceFile, DestFile);
}

bool TForm1::FFCOPY(const QString &FromF, const SaveTarget &ToF) {
    return Transfers::FFCOPY(FromF, ToF);
}

void TForm1::MWEXDL(const QString &S1, const QString &S2) { transfers()->MWEXDL(S1, S2); }

void TForm1::MWEXCOPY(const QString &S1, const QString &S2) { transfers()->MWEXCOPY(S1, S2); }

QString TForm1::URLF(const QString &S1, const QString &S2) { return Transfers::URLF(S1, S2); }

QString TForm1::FILF(const QString &S1, const QString &S2) { return Transfers::FILF(S1, S2); }

// One rule for the whole shell: the link protocol's.
QString TForm1::CutNN(const QString &S) { return linkcmd::cutNN(S); }

QString TForm1::CutNN2(const QString &S) { return linkcmd::cutNN2(S); }

// ---- link command protocol ----

void TForm1::WebBrowser1BeforeNavigate2(const QString &URL, bool &Cancel,
                                        const origin::Asking &asking) {
    Cancel = linkCommands()->beforeNavigate(URL, asking);
}

WindowNeeds TForm1::windowNeeds() {
    return {&v_, &platform_, this, [this](const QString &S1, const QString &S2) { MATE(S1, S2); }};
}

LinkCommandRunner *TForm1::linkCommands() {
    if (linkCommands_)
        return linkCommands_;
    LinkCommandRunner::Needs n{windowNeeds()};
    n.open = [this](const QString &thing) { openOrSay(thing); };
    n.showInField = [this](const QString &url) { Edit2->setText(url); };
    n.navigate = [this](const QUrl &url) { WebBrowser1->load(url); };
    n.readText = [this](const QString &F) { return BLOAD(F); };
    n.CopyURL = [this](const QString &S, const SaveTarget &D) { return CopyURL(S, D); };
    n.FFCOPY = [this](const QString &S, const SaveTarget &D) { return FFCOPY(S, D); };
    n.MWEXDL = [this](const QString &S1, const QString &S2) { MWEXDL(S1, S2); };
    n.MWEXCOPY = [this](const QString &S1, const QString &S2) { MWEXCOPY(S1, S2); };
    n.SHELLMWEXE = [this](const QString &F1, const QString &F2) { SHELLMWEXE(F1, F2); };
    n.EXE123 = [this](const QString &FF, const QString &F2) { EXE123(FF, F2); };
    n.DTPCOPY = [this](const QString &F1, const QString &FF, const QString &F2,
                       const QString &MW) { DTPCOPY(F1, FF, F2, MW); };
    n.OWARI = [this] { OWARI(); };
    n.stopDownloads = [this] { downloads()->shutdown(); };
    linkCommands_ = new LinkCommandRunner(std::move(n), this);
    if (auto *page = qobject_cast<QumoWebPage *>(WebBrowser1->page()))
        page->setRedirectPass(
            [r = linkCommands_](const QString &URL) { return r->passesRedirect(URL); });
    connect(WebBrowser1, &QWebEngineView::loadFinished, linkCommands_,
            &LinkCommandRunner::loadFinished);
    return linkCommands_;
}

// ---- opening programs and folders ----

Opening &TForm1::opening() {
    if (!opening_)
        opening_ = std::make_unique<Opening>(
            Opening::Needs{windowNeeds(), [this] { return Edit2->text(); }});
    return *opening_;
}

void TForm1::EXE123(const QString &FF, const QString &F2) { opening().EXE123(FF, F2); }

void TForm1::DTPCOPY(const QString &F1, const QString &FF, const QString &F2, const QString &MW) {
    opening().DTPCOPY(F1, FF, F2, MW);
}

// ---- the Logo program ----

Launcher &TForm1::launcher() {
    if (!launcher_) {
        Launcher::Needs n{windowNeeds()};
        n.noticeShowing = [this] { return forms_ && forms_->Form2 && forms_->Form2->isVisible(); };
        n.closed = [this] { return closed_; };
        launcher_ = std::make_unique<Launcher>(std::move(n));
    }
    return *launcher_;
}

void TForm1::SHELLMWEXE(const QString &F1, const QString &F2) { launcher().SHELLMWEXE(F1, F2); }

void TForm1::SetPositionSize(quint64 AWnd, qint32 X, qint32 Y, qint32 XSize, qint32 YSize) {
    launcher().SetPositionSize(AWnd, X, Y, XSize, YSize);
}
