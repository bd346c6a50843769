#pragma once
// The main window: browser view, toolbars, and the shared operations of the shell.
// The behaviour of each area lives in the unit of its subsystem (app/, browser/, mwex/,
// board/); this class only gathers them, as the windows of the shell are one program.
#include "app/core/textstore.h"
#include "app/core/values.h"
#include "app/textholder.h"
#include "app/windowneeds.h"
#include "browser/core/savetarget.h"
#include "browser/core/origin.h"

#include <QImage>
#include <QMargins>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QLineEdit;

class QTimer;
class QToolButton;
class QWebEngineView;
class QMouseEvent;
class QFileDialog;
class QumoWebPage;
class LinkCommandRunner;
class Downloader;
class Transfers;
class Launcher;
class Opening;
class TForm2;
class TForm4;
class TForm5;
class TForm14;
class TForm16;
class TForm25;
namespace platform {
class Platform;
}

class TForm1;
// Puts every window the program shows on top of the main window (see windowplace.cpp).
void installAboveMain(TForm1 *main);

// The windows of the program, created once by the program entry.
struct QumoForms {
    class TForm1 *Form1 = nullptr;
    TForm25 *Form25 = nullptr;
    TForm14 *Form14 = nullptr;
    TForm16 *Form16 = nullptr;
    TForm2 *Form2 = nullptr;
    TForm4 *Form4 = nullptr;
    TForm5 *Form5 = nullptr;
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1(QumoValues &values, platform::Platform &platform, QWidget *parent = nullptr);
    ~TForm1() override;

    void setForms(QumoForms *forms) { forms_ = forms; }
    QumoForms *forms() const { return forms_; }
    QumoValues &values() { return v_; }
    platform::Platform &platform() { return platform_; }

    // ---- controls ----
    QWidget *Panel1 = nullptr; // client area holding the browser view
    QWidget *Panel2 = nullptr; // right-hand button column
    QWidget *Panel3 = nullptr; // URL bar
    QWidget *Panel4 = nullptr; // left part of the URL bar
    QToolButton *SpeedButton1 = nullptr;  // home
    QToolButton *SpeedButton2 = nullptr;  // back
    QToolButton *SpeedButton3 = nullptr;  // reload
    QToolButton *SpeedButton4 = nullptr;  // forward
    QToolButton *SpeedButton5 = nullptr;  // open the URL outside
    QToolButton *SpeedButton6 = nullptr;  // new work
    QToolButton *SpeedButton7 = nullptr;  // open a work
    QToolButton *SpeedButton8 = nullptr;  // drawing board
    QToolButton *SpeedButton9 = nullptr;  // clip the URL
    QToolButton *SpeedButton10 = nullptr; // open the clip
    QToolButton *SpeedButton11 = nullptr; // go to the typed URL
    QToolButton *SpeedButton13 = nullptr; // menu language -> kanji
    QToolButton *SpeedButton14 = nullptr; // menu language -> hiragana
    QLineEdit *Edit2 = nullptr;           // the URL field
    TextHolder *Memo1 = nullptr;          // hidden text holder of the text store
    QWebEngineView *WebBrowser1 = nullptr;
    QTimer *Timer1 = nullptr; // opens the drawing board
    QTimer *Timer2 = nullptr; // the delayed close
    static constexpr int kCloseDelayMs = 1500; // OWARI: the last notice stays this long

    // ---- text file store ----
    QString BLOAD(const QString &F);
    void BSAVE(const QString &F, const QString &S);
    void BSAVE1(const QString &F, const QString &S);
    TextStore &textStore() { return store_; }

    // ---- start-up sequence ----
    void FormShow();
    // The URL the browser was last asked to show (start-up and toolbar navigations).
    void Navigate(const QString &url);
    const QString &lastNavigation() const { return lastNavigation_; }
    bool startupDone() const { return startupDone_; }

    // ---- notices and housekeeping ----
    void MATE(const QString &S1, const QString &S2);
    // The desktop could not open `target` (a file, a folder, an address): the default beep
    // and a short notice, so that a click is never simply lost.
    void openFailed(const QString &target);
    // Opens `target` with the desktop's opener (shellOpen, the target in double quotes);
    // says so when that fails at once. Later failures reach openFailed as well.
    void openOrSay(const QString &target);
    void Panel1Resize();

    // ---- usage log and shutdown ----
    void FormClose();
    void OWARI();
    void Timer2Timer();

    // ---- browser toolbar and URL clip ----
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton9MouseDown(QMouseEvent *e);
    void SpeedButton9MouseUp(QMouseEvent *e);
    void SpeedButton10Click();
    void SpeedButton11Click();
    // The browser's commands whose state the toolbar follows.
    enum BrowserCommand { CommandForward = 1, CommandBack = 2 };
    void WebBrowser1CommandStateChange(int Command, bool Enable);
    void WebBrowser1DocumentComplete(const QString &URL);
    void WebBrowser1NewWindow3(const QString &bstrUrl);

    // ---- link command protocol ----
    // Sets Cancel when the navigation is a command, which then runs from the event loop; a
    // command that a page of another host asks for without the pupil's input is only
    // cancelled.
    void WebBrowser1BeforeNavigate2(const QString &URL, bool &Cancel,
                                    const origin::Asking &asking = {});
    // The link commands waiting or running; made on first use.
    LinkCommandRunner *linkCommands();

    // ---- downloads and copies ----
    bool CopyURL(const QString &SourceFile, const SaveTarget &DestFile);
    bool FFCOPY(const QString &FromF, const SaveTarget &ToF);
    void MWEXDL(const QString &S1, const QString &S2);
    void MWEXCOPY(const QString &S1, const QString &S2);
    static QString URLF(const QString &S1, const QString &S2);
    static QString FILF(const QString &S1, const QString &S2);
    static QString CutNN(const QString &S);
    static QString CutNN2(const QString &S);
    // The web downloads of CopyURL (their rules, cancelling them); made on first use.
    Downloader *downloads();
    // The downloads and copies that the methods above forward to; made on first use.
    Transfers *transfers();

    // ---- opening works, programs and folders ----
    QFileDialog *OpenPictureDialog1 = nullptr; // made on first use
    // The folder the open-work dialog was last prepared to start in (Windows form); empty
    // until it is first used. The capture window's save dialog follows it.
    const QString &openWorkDialogFolder() const { return openWorkDialogFolder_; }
    void SpeedButton7MouseUp(QMouseEvent *e);
    void HIRAKU();
    void EXE123(const QString &FF, const QString &F2);
    void DTPCOPY(const QString &F1, const QString &FF, const QString &F2, const QString &MW);
    // The program starts and desktop copies that EXE123 and DTPCOPY forward to.
    Opening &opening();

    // ---- the Logo program: launching, new work, menu language ----
    void SHELLMWEXE(const QString &F1, const QString &F2);
    // Places window `AWnd` with the rectangle X, Y, XSize, YSize (right and bottom); the
    // null window shows the retry message instead.
    void SetPositionSize(quint64 AWnd, qint32 X, qint32 Y, qint32 XSize, qint32 YSize);
    void SpeedButton6Click();
    void SpeedButton13Click();
    void SpeedButton14Click();
    // Wires the new-work and menu-language buttons; called once the controls exist.
    void connectLogoProgramButtons();
    // The launcher that SHELLMWEXE and SetPositionSize forward to.
    Launcher &launcher();

    // ---- graphics catalogue ----
    void MWSHAPE(const QString &MW);
    // Builds the catalogue of the current folder (where MWSHAPE pointed the picture list).
    void MakeShape();

    // ---- drawing board ----
    void SpeedButton8Click();
    void SpeedButton8MouseEnter();
    void SpeedButton8MouseLeave();
    void Timer1Timer();
    static void CaptureRect(const QRect &r, QImage &BM);
    // Picture, pointer shape and wiring of the board button and its timer.
    void setupBoardButton();
    // Once start-up is done: the board readies, in small parts, what its first opening
    // would otherwise make while the teacher waits.
    void prepareBoard();
    // The same once the first page has loaded, or kPrepareBoardLatestMs after start-up.
    void prepareBoardAfterFirstPage();
    static constexpr int kPrepareBoardLatestMs = 3000;

    // ---- place on the screen ----
    // Sizes the whole window, frame included, to `outer` (scaled pixels) with its corner at
    // the primary screen's usable corner. The frame is known only once a window manager
    // has framed the window, so the size is made good again whenever the frame changes.
    void setFrameSize(QSize outer);
    QSize frameSizeAskedFor() const;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool controlEvent(QObject *watched, QEvent *event); // eventFilter inside the guard

private:
    friend class StartupSteps; // the steps of startupSequence()
    void buildControls();
    void connectControls();
    void startupSequence();
    void chooseSaveRoot();
    void findLocalHomePage(const QString &KIJUN, const QString &F1, const QString &KIJUN2);
    void buildSaveFolder();
    void copyStartingWorks();
    void setHomePageUrl();
    void showMenuLanguageButtons();
    void chooseStartPage();
    // What the launcher, the opening and the link commands get from this window.
    WindowNeeds windowNeeds();

    QumoValues &v_;
    platform::Platform &platform_;
    QumoForms *forms_ = nullptr;
    TextStore store_;
    QString lastNavigation_;
    bool shown_ = false;
    bool startupDone_ = false;
    bool closed_ = false; // the window was closed: waits on the outside world stop
    QumoWebPage *page_ = nullptr;
    QString openWorkDialogFolder_;
    // link command protocol
    LinkCommandRunner *linkCommands_ = nullptr;
    Transfers *transfers_ = nullptr;
    std::unique_ptr<Launcher> launcher_;
    std::unique_ptr<Opening> opening_;
};
