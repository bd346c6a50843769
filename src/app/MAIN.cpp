#include "app/MAIN.h"
#include "app/Unit2.h"
#include "app/errors.h"
#include "browser/webpage.h"
#include "platform/paths.h"
#include "platform/platform.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

namespace {
QToolButton *makeButton(QWidget *parent, const char *name, int x, int y, int w, int h,
                        const QString &hint) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(x, y, w, h);
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setToolTip(hint);
    return b;
}
} // namespace

TForm1::TForm1(QumoValues &values, platform::Platform &platform, QWidget *parent)
    : QWidget(parent), v_(values), platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("QUMO"));
    buildControls();
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    // Design client area 714 x 644; the URL bar on top, the button column on the right.
    resize(714, 644);
    move(0, 0);

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel4 = new QWidget(Panel3);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    SpeedButton5 = makeButton(Panel4, "SpeedButton5", 0, 1, 23, 22, QStringLiteral("URLを別に開く"));
    Edit2 = new QLineEdit(Panel4);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFrame(false);
    SpeedButton11 = makeButton(Panel3, "SpeedButton11", 618, 1, 23, 22, QStringLiteral("URLを開く"));
    SpeedButton9 = makeButton(Panel3, "SpeedButton9", 649, 1, 23, 22,
                              QStringLiteral("左：URLをクリップ／右：クリップをクリア"));
    SpeedButton10 = makeButton(Panel3, "SpeedButton10", 680, 1, 23, 22,
                               QStringLiteral("クリップしたURLを開く"));

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    SpeedButton1 = makeButton(Panel2, "SpeedButton1", 0, 6, 40, 40, QStringLiteral("最初のページ"));
    SpeedButton2 = makeButton(Panel2, "SpeedButton2", 0, 71, 40, 40, QStringLiteral("前のページ"));
    SpeedButton3 = makeButton(Panel2, "SpeedButton3", 0, 136, 40, 40, QStringLiteral("ページの読み直し"));
    SpeedButton4 = makeButton(Panel2, "SpeedButton4", 0, 201, 40, 40, QStringLiteral("次のページ"));
    SpeedButton6 = makeButton(Panel2, "SpeedButton6", 0, 266, 40, 40, QString());
    SpeedButton7 = makeButton(Panel2, "SpeedButton7", 0, 331, 40, 40,
                              QStringLiteral("【DOWNLOAD】フォルダを開く"));
    SpeedButton13 = makeButton(Panel2, "SpeedButton13", 0, 395, 40, 40,
                               QStringLiteral("マイクロワールドEX→漢字メニュー"));
    SpeedButton14 = makeButton(Panel2, "SpeedButton14", 0, 395, 40, 40,
                               QStringLiteral("マイクロワールドEX→ひらがなメニュー"));
    SpeedButton8 = makeButton(Panel2, "SpeedButton8", 0, 0, 40, 40, QStringLiteral("線画"));

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    WebBrowser1 = new QWebEngineView(Panel1);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    page_ = new QumoWebPage(this, WebBrowser1);
    WebBrowser1->setPage(page_);
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(128, 40, 185, 41);
    Memo1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1500);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    Panel1->installEventFilter(this);
    setupBoardButton();
    connectLogoProgramButtons();
}

void TForm1::resizeEvent(QResizeEvent *e) {
    QWidget::resizeEvent(e);
    const int w = width(), h = height();
    Panel3->setGeometry(0, 0, w, 24);
    Panel4->setGeometry(0, 0, 612 + (w - 714), 24);
    Edit2->setGeometry(24, 2, 583 + (w - 714), 21);
    SpeedButton11->move(618 + (w - 714), 1);
    SpeedButton9->move(649 + (w - 714), 1);
    SpeedButton10->move(680 + (w - 714), 1);
    Panel2->setGeometry(w - 40, 24, 40, h - 24);
    SpeedButton8->move(0, Panel2->height() - 40 - 6);
    Panel1->setGeometry(0, 24, w - 40, h - 24);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Panel1 && event->type() == QEvent::Resize)
        Panel1Resize();
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
    WebBrowser1->setUrl(platform::urlToEngine(url));
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
    FormClose();
    e->accept();
}
