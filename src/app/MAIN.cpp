// The main window TForm1: its controls and wiring, resizing, showing and closing.
#include "app/MAIN.h"
#include "browser/crashrecovery.h"
#include "app/Unit2.h"
#include "app/core/errors.h"
#include "app/form1layout.h"
#include "app/guard.h"
#include "app/pictures.h"
#include "browser/linkrunner.h"
#include "browser/opening.h"
#include "browser/webpage.h"
#include "mwex/launch.h"
#include "platform/desktop.h"
#include "platform/core/paths.h"
#include "platform/internet.h"
#include "platform/platform.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
using namespace form1layout;

// A button of the bar is this high; the column's are taller and have a wider raised edge.
constexpr int kWideEdgeHeight = 40;

QToolButton *makeButton(QWidget *parent, const char *name, const QRect &geometry,
                        const QString &hint, const char *pictureName = nullptr) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(geometry);
    const int w = geometry.width(), h = geometry.height();
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    if (pictureName) {
        b->setIcon(picture(pictureName));
        // The picture fills the flat button but for its raised edge.
        const int side = qMin(w, h) - (h >= kWideEdgeHeight ? 4 : 2);
        b->setIconSize(QSize(side, side));
    }
    return b;
}

QRect columnButton(int top) {
    return QRect(0, top, kColumnButton, kColumnButton);
}
} // namespace

TForm1::TForm1(QumoValues &values, platform::Platform &platform, QWidget *parent)
    : QWidget(parent), v_(values), platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("QUMO"));
    initPictures();
    setWindowIcon(picture("window"));
    buildControls();
    installAboveMain(this);
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    const guard::Guard guarded(platform_, this);
    // The URL bar on top, the button column on the right.
    resize(kDesignSize);
    move(desktop::available().topLeft()); // the primary screen's corner

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel4 = new QWidget(Panel3);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    SpeedButton5 = makeButton(Panel4, "SpeedButton5", kOpenOutsideButton,
                              QStringLiteral("URLを別に開く"), "open-outside");
    Edit2 = new QLineEdit(Panel4);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFrame(false);
    Edit2->setGeometry(kUrlField);
    {
        QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
        f.setPixelSize(kUrlFontPixels);
        Edit2->setFont(f);
        QPalette pal = Edit2->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Button));
        pal.setColor(QPalette::Text, Qt::gray);
        Edit2->setPalette(pal);
    }
    SpeedButton11 =
        makeButton(Panel3, "SpeedButton11", kGoButton, QStringLiteral("URLを開く"), "go");
    SpeedButton9 = makeButton(Panel3, "SpeedButton9", kClipButton,
                              QStringLiteral("左：URLをクリップ／右：クリップをクリア"), "clip");
    SpeedButton10 = makeButton(Panel3, "SpeedButton10", kOpenClipButton,
                               QStringLiteral("クリップしたURLを開く"), "open-clip");

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    SpeedButton1 = makeButton(Panel2, "SpeedButton1", columnButton(kHomeTop),
                              QStringLiteral("最初のページ"), "home");
    SpeedButton2 = makeButton(Panel2, "SpeedButton2", columnButton(kBackTop),
                              QStringLiteral("前のページ"), "back");
    SpeedButton3 = makeButton(Panel2, "SpeedButton3", columnButton(kReloadTop),
                              QStringLiteral("ページの読み直し"), "reload");
    SpeedButton4 = makeButton(Panel2, "SpeedButton4", columnButton(kForwardTop),
                              QStringLiteral("次のページ"), "forward");
    SpeedButton6 = makeButton(Panel2, "SpeedButton6", columnButton(kNewWorkTop),
                              QStringLiteral("新しい作品を作る"), "new-work");
    SpeedButton7 = makeButton(Panel2, "SpeedButton7", columnButton(kOpenWorkTop),
                              QStringLiteral("【DOWNLOAD】フォルダを開く"), "open-work");
    SpeedButton13 = makeButton(Panel2, "SpeedButton13", columnButton(kLanguageTop),
                               QStringLiteral("マイクロワールドEX→漢字メニュー"), "menu-kanji");
    SpeedButton14 =
        makeButton(Panel2, "SpeedButton14", columnButton(kLanguageTop),
                   QStringLiteral("マイクロワールドEX→ひらがなメニュー"), "menu-hiragana");
    SpeedButton14->hide();
    // Its picture and pointer shape come with the board (setupBoardButton).
    SpeedButton8 = makeButton(Panel2, "SpeedButton8", columnButton(0), QStringLiteral("線画"));

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    WebBrowser1 = new QWebEngineView(Panel1);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    // Called from inside the engine: an error must end here, as in any other handler.
    page_ = new QumoWebPage(
        [this](const QString &URL, const origin::Asking &asking, bool &Cancel) {
            guard::run(platform_, this,
                       [&] { WebBrowser1BeforeNavigate2(URL, Cancel, asking); });
        },
        [self = QPointer<TForm1>(this)](const QString &URL) {
            if (self)
                guard::run(self->platform_, self, [&] { self->WebBrowser1NewWindow3(URL); });
        },
        WebBrowser1);
    WebBrowser1->setPage(page_);
    // Which pages may give commands unasked: local ones, the material site's, the home page's.
    page_->setTrust([this](const QString &pageUrl) {
        return origin::askerOf(pageUrl, {v_.HOME, v_.SYOKIURL});
    });
    page_->watchInput(WebBrowser1);
    new CrashRecovery(WebBrowser1); // a dead render process reloads, then offers a button
    // Local teaching pages show pictures and videos from the web.
    page_->profile()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                               true);
    // Pages see the engine's own agent, which they may rely on, with this program's after it.
    const QString agent = platform::programAgent();
    if (!page_->profile()->httpUserAgent().endsWith(agent))
        page_->profile()->setHttpUserAgent(page_->profile()->httpUserAgent() + u' ' + agent);
    Memo1 = new TextHolder(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(kMemo);
    Memo1->hide();

    // Delays the pupil sees end at their time, never before it (a coarse timer may fire
    // up to 5 % early).
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setTimerType(Qt::PreciseTimer);
    Timer2->setInterval(kCloseDelayMs);
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
    for (QWidget *w : {static_cast<QWidget *>(SpeedButton7), static_cast<QWidget *>(SpeedButton9)})
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
    commandState(QWebEnginePage::Forward, CommandForward);
    commandState(QWebEnginePage::Back, CommandBack);
}

void TForm1::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    const int w = width(), h = height();
    const int stretch = w - kDesignSize.width(); // what the URL field gains
    Panel3->setGeometry(0, 0, w, kBarHeight);
    Panel4->setGeometry(0, 0, qMax(0, kUrlPanelWidth + stretch), kBarHeight);
    Edit2->setGeometry(kUrlField.x(), kUrlField.y(), qMax(0, kUrlField.width() + stretch),
                       kUrlField.height());
    SpeedButton11->move(kGoButton.topLeft() + QPoint(stretch, 0));
    SpeedButton9->move(kClipButton.topLeft() + QPoint(stretch, 0));
    SpeedButton10->move(kOpenClipButton.topLeft() + QPoint(stretch, 0));
    Panel2->setGeometry(w - kColumnWidth, kBarHeight, kColumnWidth, qMax(0, h - kBarHeight));
    SpeedButton8->move(0, Panel2->height() - kColumnButton - kBoardButtonBottomMargin);
    Panel1->setGeometry(0, kBarHeight, qMax(0, w - kColumnWidth), qMax(0, h - kBarHeight));
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
