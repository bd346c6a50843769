#include "app/MAIN.h"
#include "browser/crashrecovery.h"
#include "app/Unit2.h"
#include "app/errors.h"
#include "app/guard.h"
#include "app/pictures.h"
#include "browser/linkrunner.h"
#include "browser/webpage.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
QToolButton *makeButton(QWidget *parent, const char *name, int x, int y, int w, int h,
                        const QString &hint, const char *pictureName = nullptr) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, y, w, h);
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    if (pictureName) {
        b->setIcon(picture(pictureName));
        // The picture fills the flat button but for its raised edge.
        const int side = qMin(w, h) - (h >= 40 ? 4 : 2);
        b->setIconSize(QSize(side, side));
    }
    return b;
}
} // namespace

TForm1::TForm1(QumoValues &values, platform::Platform &platform, QWidget *parent)
    : QWidget(parent), v_(values), platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("QUMO"));
    initPictures();
    setWindowIcon(picture("window"));
    buildControls();
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    const guard::Guard guarded(platform_, this);
    // Design client area 714 x 644; the URL bar on top, the button column on the right.
    resize(714, 644);
    move(0, 0);

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel4 = new QWidget(Panel3);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    SpeedButton5 = makeButton(Panel4, "SpeedButton5", 0, 1, 23, 22, QStringLiteral("URLを別に開く"),
                              "open-outside");
    Edit2 = new QLineEdit(Panel4);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFrame(false);
    Edit2->setGeometry(24, 2, 583, 21);
    {
        QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
        f.setPixelSize(17);
        Edit2->setFont(f);
        QPalette pal = Edit2->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        pal.setColor(QPalette::Text, Qt::gray);
        Edit2->setPalette(pal);
    }
    SpeedButton11 = makeButton(Panel3, "SpeedButton11", 618, 1, 23, 22, QStringLiteral("URLを開く"),
                               "go");
    SpeedButton9 = makeButton(Panel3, "SpeedButton9", 649, 1, 23, 22,
                              QStringLiteral("左：URLをクリップ／右：クリップをクリア"), "clip");
    SpeedButton10 = makeButton(Panel3, "SpeedButton10", 680, 1, 23, 22,
                               QStringLiteral("クリップしたURLを開く"), "open-clip");

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    SpeedButton1 = makeButton(Panel2, "SpeedButton1", 0, 6, 40, 40, QStringLiteral("最初のページ"),
                              "home");
    SpeedButton2 = makeButton(Panel2, "SpeedButton2", 0, 71, 40, 40, QStringLiteral("前のページ"),
                              "back");
    SpeedButton3 = makeButton(Panel2, "SpeedButton3", 0, 136, 40, 40,
                              QStringLiteral("ページの読み直し"), "reload");
    SpeedButton4 = makeButton(Panel2, "SpeedButton4", 0, 201, 40, 40, QStringLiteral("次のページ"),
                              "forward");
    SpeedButton6 = makeButton(Panel2, "SpeedButton6", 0, 266, 40, 40,
                              QStringLiteral("新しい作品を作る"), "new-work");
    SpeedButton7 = makeButton(Panel2, "SpeedButton7", 0, 331, 40, 40,
                              QStringLiteral("【DOWNLOAD】フォルダを開く"), "open-work");
    SpeedButton13 = makeButton(Panel2, "SpeedButton13", 0, 395, 40, 40,
                               QStringLiteral("マイクロワールドEX→漢字メニュー"), "menu-kanji");
    SpeedButton14 = makeButton(Panel2, "SpeedButton14", 0, 395, 40, 40,
                               QStringLiteral("マイクロワールドEX→ひらがなメニュー"),
                               "menu-hiragana");
    SpeedButton14->hide();
    // Its picture and pointer shape come with the board (setupBoardButton).
    SpeedButton8 = makeButton(Panel2, "SpeedButton8", 0, 0, 40, 40, QStringLiteral("線画"));

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    WebBrowser1 = new QWebEngineView(Panel1);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    // Called from inside the engine: an error must end here, as in any other handler.
    page_ = new QumoWebPage(
        [this](const QString &URL, bool &Cancel) {
            guard::run(platform_, this, [&] { WebBrowser1BeforeNavigate2(URL, Cancel); });
        },
        [self = QPointer<TForm1>(this)](const QString &URL) {
            if (self)
                guard::run(self->platform_, self, [&] { self->WebBrowser1NewWindow3(URL); });
        },
        WebBrowser1);
    WebBrowser1->setPage(page_);
    new CrashRecovery(WebBrowser1); // a dead render process reloads, then offers a button
    // Local teaching pages show pictures and videos from the web.
    page_->profile()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                               true);
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(128, 40, 185, 41);
    Memo1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1500);
    connect(Timer2, &QTimer::timeout, this, guarded(&TForm1::Timer2Timer));
    Panel1->installEventFilter(this);

    connectControls();
    platform_.openFailedLater = [self = QPointer<TForm1>(this)](const QString &target) {
        if (self)
            self->openFailed(target);
    };
    // The board button and the new-work and language buttons are wired by their own units.
    setupBoardButton();
    connectLogoProgramButtons();
}

void TForm1::connectControls() {
    const guard::Guard guarded(platform_, this);
    connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton1Click));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton2Click));
    connect(SpeedButton3, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton3Click));
    connect(SpeedButton4, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton4Click));
    connect(SpeedButton5, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton5Click));
    connect(SpeedButton10, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton10Click));
    connect(SpeedButton11, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton11Click));
    // Enter in the URL field does what the go button does.
    connect(Edit2, &QLineEdit::returnPressed, this, guarded(&TForm1::SpeedButton11Click));
    // Press and release of any mouse button are handled by the window itself (eventFilter).
    for (QWidget *w : {static_cast<QWidget *>(SpeedButton7), static_cast<QWidget *>(SpeedButton9),
                       Panel2})
        w->installEventFilter(this);

    // The engine's events. Top-level documents only, loaded or failed with an error page; a
    // navigation that was cancelled or stopped completes no document.
    connect(page_, &QWebEnginePage::loadingChanged, this,
            guarded([this](const QWebEngineLoadingInfo &i) {
                if (i.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                    i.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                    WebBrowser1DocumentComplete(platform::urlFromEngine(i.url()));
            }));
    const auto commandState = [this](QWebEnginePage::WebAction action, int command) {
        QAction *a = page_->action(action);
        connect(a, &QAction::changed, this, guard::guarded(platform_, this, [this, a, command] {
                    WebBrowser1CommandStateChange(command, a->isEnabled());
                }));
        WebBrowser1CommandStateChange(command, a->isEnabled());
    };
    commandState(QWebEnginePage::Forward, 1);
    commandState(QWebEnginePage::Back, 2);
}

void TForm1::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    const int w = width(), h = height();
    Panel3->setGeometry(0, 0, w, 24);
    Panel4->setGeometry(0, 0, qMax(0, 612 + (w - 714)), 24);
    Edit2->setGeometry(24, 2, qMax(0, 583 + (w - 714)), 21);
    SpeedButton11->move(618 + (w - 714), 1);
    SpeedButton9->move(649 + (w - 714), 1);
    SpeedButton10->move(680 + (w - 714), 1);
    Panel2->setGeometry(w - 40, 24, 40, qMax(0, h - 24));
    SpeedButton8->move(0, Panel2->height() - 40 - 6);
    Panel1->setGeometry(0, 24, qMax(0, w - 40), qMax(0, h - 24));
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    bool filtered = false;
    guard::run(platform_, this, [&] { filtered = controlEvent(watched, event); });
    return filtered;
}

bool TForm1::controlEvent(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == Panel1 && type == QEvent::Resize) {
        Panel1Resize();
    } else if (watched == SpeedButton9 || watched == SpeedButton7) {
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            SpeedButton9MouseDown(static_cast<QMouseEvent *>(event));
        } else if (type == QEvent::MouseButtonRelease) {
            auto *me = static_cast<QMouseEvent *>(event);
            if (watched == SpeedButton9)
                SpeedButton9MouseUp(me);
            else
                SpeedButton7MouseUp(me);
        }
    } else if (watched == Panel2 && type == QEvent::MouseButtonRelease) {
        Panel2Click();
    }
    return QWidget::eventFilter(watched, event);
}

QString TForm1::BLOAD(const QString &F) {
    const QString text = store_.load(F);
    Memo1->setPlainText(text);
    return text;
}

void TForm1::BSAVE(const QString &F, const QString &S) {
    Memo1->setPlainText(S);
    store_.save(F, S);
}

void TForm1::BSAVE1(const QString &F, const QString &S) { TextStore::saveLines(F, S); }

void TForm1::Navigate(const QString &url) {
    lastNavigation_ = url;
    QUrl target = platform::urlToEngine(url);
    // An address typed without a scheme ("www.example.com") is a web address, as a browser
    // takes it; the engine would otherwise drop it without a word.
    if (target.isRelative() && !url.trimmed().isEmpty())
        target = QUrl::fromUserInput(url);
    WebBrowser1->setUrl(target);
}

void TForm1::showEvent(QShowEvent *e) {
    QWidget::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    // The start-up sequence runs from the event loop so that the window is on screen.
    QTimer::singleShot(0, this, &TForm1::FormShow);
}

void TForm1::closeEvent(QCloseEvent *e) {
    closed_ = true;
    // A download or a queue of link commands must not keep the program alive, nor start
    // anything after the window has gone.
    linkCommands()->stop();
    guard::run(platform_, this, [this] { FormClose(); });
    e->accept();
}
