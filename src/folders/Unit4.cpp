// The name-folder picker TForm4: pages of grade, class and name buttons.
#include "folders/Unit4.h"
#include "app/MAIN.h"
#include "app/Unit5.h"
#include "app/guard.h"
#include "app/core/textstore.h"
#include "folders/core/roster.h"
#include "platform/core/fs.h"
#include "platform/platform.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QFrame>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

namespace {
constexpr int kBarHeight = 74;
constexpr QSize kDesignSize = TForm4::DesignSize;
const QColor kPageColour(192, 220, 192);
const QString kGradeListFile = QStringLiteral("学年名.txt");
const QString kFirstGradeFile = QStringLiteral("学年1.txt");
const QString kChoose = QStringLiteral("ボタンをえらびましょう。");
const QString kConfirmDesign = QStringLiteral("よければ、OK します。");
const QString kIfRight = QStringLiteral(" でよければ、OK します。");

QFont tahoma(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QWidget *makePage(QWidget *parent, const char *name) {
    auto *page = new QWidget(parent);
    page->setObjectName(QLatin1String(name));
    page->setAutoFillBackground(true);
    QPalette pal = page->palette();
    pal.setColor(QPalette::Window, kPageColour);
    page->setPalette(pal);
    page->hide();
    return page;
}

QWidget *makeBar(QWidget *page, const char *name) {
    auto *bar = new QWidget(page);
    bar->setObjectName(QLatin1String(name));
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    // The bars stand out from the page in the plain face colour.
    pal.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Button));
    bar->setPalette(pal);
    return bar;
}

// Remembers a control's design place and font size, from which the layout scales it.
void placeAtDesign(QWidget *w, const QRect &geometry) {
    w->setProperty("designRect", geometry);
    w->setProperty("designPx", w->font().pixelSize());
    w->setGeometry(geometry);
}

QLabel *makeBarLabel(QWidget *bar, const char *name, const QString &text) {
    auto *label = new QLabel(text, bar);
    label->setObjectName(QLatin1String(name));
    label->setFont(tahoma(27));
    placeAtDesign(label, QRect(16, 0, 600, kBarHeight));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QPushButton *makeBarButton(QWidget *bar, const char *name, const QString &text, int left) {
    auto *b = new QPushButton(text, bar);
    b->setObjectName(QLatin1String(name));
    b->setFont(tahoma(21));
    placeAtDesign(b, QRect(left, (kBarHeight - 58) / 2, 152, 58));
    return b;
}

QPushButton *makeChoice(QWidget *page, const QString &name, int tag, const QRect &geometry,
                        const QFont &font, const QString &design) {
    auto *b = new QPushButton(design, page);
    b->setObjectName(name);
    b->setProperty("Tag", tag);
    b->setFont(font);
    placeAtDesign(b, geometry);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

constexpr int kChoiceFrameWidth = 7;

// A chosen button's red text comes with a thick frame, seen from the back of the room. The
// frame lies over the button's own edge, so nothing moves.
void setTextColour(QPushButton *b, const QColor &c) {
    QPalette pal = b->palette();
    pal.setColor(QPalette::ButtonText, c);
    b->setPalette(pal);
    auto *mark = b->findChild<QFrame *>(QStringLiteral("choiceFrame"), Qt::FindDirectChildrenOnly);
    if (!mark) {
        mark = new QFrame(b);
        mark->setObjectName(QStringLiteral("choiceFrame"));
        mark->setAttribute(Qt::WA_TransparentForMouseEvents);
        mark->setStyleSheet(QStringLiteral("QFrame#choiceFrame { border: %1px solid rgb(255, 128, 0);"
                                           " background: transparent; }")
                                .arg(kChoiceFrameWidth));
    }
    mark->setGeometry(b->rect());
    mark->setVisible(c == QColor(Qt::red));
}

// A label shown as button text: "&" would otherwise mark a shortcut and vanish.
QString shownText(const QString &label) {
    QString s = label;
    return s.replace(u'&', QStringLiteral("&&"));
}
} // namespace

TForm4::TForm4(QumoValues &values, TForm1 *main, QWidget *parent)
    : QDialog(parent), v_(values), main_(main) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("名前フォルダの設定"));
    // Only the close box in the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    // A window manager may offer minimise and maximise whatever the hints above say.
    if (main_)
        main_->platform().offerOnlyCloseBox(winId());
    resize(kDesignSize);
    buildControls();
}

void TForm4::buildControls() {
    const guard::Guard guarded(main_->platform(), this);
    Panel2 = makePage(this, "Panel2");
    Panel3 = makePage(this, "Panel3");
    Panel4 = makePage(this, "Panel4");

    const char *gradeNames[] = {"BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6",
                                "BitBtn7", "BitBtn8", "BitBtn57"};
    const int gradeTops[] = {24, 89, 155, 221, 286, 352, 418};
    const QString gradeDesign[] = {QStringLiteral("１年"), QStringLiteral("２年"),
                                   QStringLiteral("３年"), QStringLiteral("４年"),
                                   QStringLiteral("５年"), QStringLiteral("６年"),
                                   QStringLiteral("A")};
    for (int i = 0; i < roster::GradeButtons; ++i) {
        auto *b = makeChoice(Panel2, QLatin1String(gradeNames[i]), i + 1,
                             QRect(442, gradeTops[i], 200, 60), tahoma(27), gradeDesign[i]);
        connect(b, &QPushButton::clicked, this, guarded([this, b] { BitBtn3Click(b); }));
        gradeButtons.append(b);
    }
    for (int i = 0; i < roster::ClassButtons; ++i) {
        auto *b = makeChoice(Panel3, QStringLiteral("BitBtn%1").arg(9 + i), i + 1,
                             QRect(411, 13 + 61 * i, 240, 55), tahoma(27),
                             QString(QChar(0xFF11 + i)) + QStringLiteral("組")); // "１組" ...
        connect(b, &QPushButton::clicked, this, guarded([this, b] { BitBtn9Click(b); }));
        classButtons.append(b);
    }
    const int nameLefts[] = {16, 198, 380, 562, 744, 927};
    const int nameTops[] = {7, 78, 149, 220, 291, 362, 433};
    for (int i = 0; i < roster::NameButtons; ++i) {
        QString name;
        if (i == 0)
            name = QStringLiteral("BitBtn17");
        else if (i <= 2)
            name = QStringLiteral("BitBtn%1").arg(i);
        else
            name = QStringLiteral("BitBtn%1").arg(18 + i - 3);
        auto *b = makeChoice(Panel4, name, 1, QRect(nameLefts[i / 7], nameTops[i % 7], 170, 65),
                             tahoma(21, true), QString());
        connect(b, &QPushButton::clicked, this, guarded([this, b] { BitBtn18Click(b); }));
        nameButtons.append(b);
    }

    Panel1 = makeBar(Panel2, "Panel1");
    Label2 = makeBarLabel(Panel1, "Label2", kChoose);
    BitBtn64 = makeBarButton(Panel1, "BitBtn64", QStringLiteral("やめる"), 821);
    Panel6 = makeBar(Panel2, "Panel6");
    Label1 = makeBarLabel(Panel6, "Label1", kConfirmDesign);
    BitBtn59 = makeBarButton(Panel6, "BitBtn59", QStringLiteral("OK"), 621);
    BitBtn58 = makeBarButton(Panel6, "BitBtn58", QStringLiteral("やりなおし"), 821);

    Panel7 = makeBar(Panel3, "Panel7");
    Label4 = makeBarLabel(Panel7, "Label4", kChoose);
    BitBtn65 = makeBarButton(Panel7, "BitBtn65", QStringLiteral("もどる"), 821);
    Panel5 = makeBar(Panel3, "Panel5");
    Label3 = makeBarLabel(Panel5, "Label3", kConfirmDesign);
    BitBtn60 = makeBarButton(Panel5, "BitBtn60", QStringLiteral("OK"), 621);
    BitBtn61 = makeBarButton(Panel5, "BitBtn61", QStringLiteral("やりなおし"), 821);

    Panel9 = makeBar(Panel4, "Panel9");
    Label6 = makeBarLabel(Panel9, "Label6", kChoose);
    BitBtn66 = makeBarButton(Panel9, "BitBtn66", QStringLiteral("もどる"), 821);
    Panel8 = makeBar(Panel4, "Panel8");
    Label5 = makeBarLabel(Panel8, "Label5", kConfirmDesign);
    BitBtn62 = makeBarButton(Panel8, "BitBtn62", QStringLiteral("OK"), 621);
    BitBtn63 = makeBarButton(Panel8, "BitBtn63", QStringLiteral("やりなおし"), 821);
    for (QWidget *confirm : {Panel6, Panel5, Panel8})
        confirm->hide();

    connect(BitBtn59, &QPushButton::clicked, this, guarded(&TForm4::BitBtn59Click));
    connect(BitBtn58, &QPushButton::clicked, this, guarded(&TForm4::BitBtn58Click));
    connect(BitBtn64, &QPushButton::clicked, this, guarded(&TForm4::BitBtn64Click));
    connect(BitBtn60, &QPushButton::clicked, this, guarded(&TForm4::BitBtn60Click));
    connect(BitBtn61, &QPushButton::clicked, this, guarded(&TForm4::BitBtn61Click));
    connect(BitBtn65, &QPushButton::clicked, this, guarded(&TForm4::BitBtn65Click));
    connect(BitBtn62, &QPushButton::clicked, this, guarded(&TForm4::BitBtn62Click));
    connect(BitBtn63, &QPushButton::clicked, this, guarded(&TForm4::BitBtn63Click));
    connect(BitBtn66, &QPushButton::clicked, this, guarded(&TForm4::BitBtn66Click));
    layoutPages();
}

void TForm4::layoutPages() {
    const QRect client = rect();
    // At the design size or larger every control keeps its design place and size. A smaller
    // window (the picker takes the main window's size) scales the whole page down, so that
    // no button a pupil needs is cut off.
    const double scale = std::clamp(std::min(client.width() / double(kDesignSize.width()),
                                             client.height() / double(kDesignSize.height())),
                                    0.25, 1.0);
    const int barHeight = qRound(kBarHeight * scale);
    for (QWidget *page : {Panel2, Panel3, Panel4})
        page->setGeometry(client);
    for (QWidget *bar : {Panel1, Panel6, Panel7, Panel5, Panel9, Panel8})
        bar->setGeometry(0, client.height() - barHeight, client.width(), barHeight);
    for (QWidget *w : findChildren<QWidget *>()) {
        const QVariant design = w->property("designRect");
        if (!design.isValid())
            continue;
        const QRect r = design.toRect();
        w->setGeometry(qRound(r.x() * scale), qRound(r.y() * scale), qRound(r.width() * scale),
                       qRound(r.height() * scale));
        if (auto *mark = w->findChild<QWidget *>(QStringLiteral("choiceFrame"),
                                                 Qt::FindDirectChildrenOnly))
            mark->setGeometry(w->rect());
        QFont f = w->font();
        f.setPixelSize(std::max(1, qRound(w->property("designPx").toInt() * scale)));
        w->setFont(f);
    }
}

void TForm4::resizeEvent(QResizeEvent *e) {
    QDialog::resizeEvent(e);
    layoutPages();
}

void TForm4::showEvent(QShowEvent *e) {
    QDialog::showEvent(e);
    // A window restored by the window system is not opened anew.
    if (!e->spontaneous())
        guard::run(main_->platform(), this, [this] { FormShow(); });
}

QString TForm4::caption(const QPushButton *button) {
    QString s = button->text();
    return s.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// ---- roster loaders ----

QString TForm4::rosterFile(const QString &F) const {
    return v_.RULEDIR + u'\\' + F;
}

bool TForm4::readRoster(const QString &F) {
    NAMAE.clear();
    const QString path = rosterFile(F);
    if (!platform::fileExists(path))
        return false;
    if (main_) {
        NAMAE = main_->BLOAD(path);
    } else {
        TextStore store;
        NAMAE = store.load(path);
    }
    return true;
}

int TForm4::applyCaptions(const QList<QPushButton *> &buttons, const QStringList &captions,
                          bool (*usable)(const QString &)) {
    int count = 0;
    for (int i = 0; i < buttons.size(); ++i) {
        const QString &label = captions.value(i);
        buttons[i]->setText(shownText(label));
        const bool shown = usable(label);
        buttons[i]->setVisible(shown);
        if (shown)
            ++count;
    }
    return count;
}

void TForm4::GAKUNENLOAD(const QString &F) {
    M1 = 0;
    if (!readRoster(F))
        return;
    const auto list = roster::cutGradeList(NAMAE);
    if (!list) {
        NAMAE.clear();
        return;
    }
    NAMAE = *list;
    M1 = applyCaptions(gradeButtons, roster::takeCaptions(NAMAE, roster::GradeButtons),
                       roster::usableGradeCaption);
}

void TForm4::KUMILOAD(const QString &F) {
    M2 = 0;
    if (!readRoster(F))
        return;
    const auto list = roster::cutClassList(NAMAE);
    if (!list) {
        NAMAE.clear();
        return;
    }
    NAMAE = *list;
    M2 = applyCaptions(classButtons, roster::takeCaptions(NAMAE, roster::ClassButtons),
                       roster::usableCaption);
}

void TForm4::SHIMEILOAD(const QString &F, const QString &K) {
    M3 = 0;
    if (!readRoster(F))
        return;
    NAMAE = roster::cutNameList(NAMAE, K);
    M3 = applyCaptions(nameButtons, roster::takeCaptions(NAMAE, roster::NameButtons),
                       roster::usableCaption);
}

// ---- opening ----

void TForm4::FormShow() {
    for (QWidget *page : {Panel2, Panel3, Panel4}) {
        page->hide();
        page->setGeometry(rect());
    }
    GAKUNENLOAD(kGradeListFile);
    if (M1 > 0) {
        showPage(Panel2, Panel1, Panel6);
    } else {
        KUMILOAD(kFirstGradeFile);
        if (M2 > 0) {
            showPage(Panel3, Panel7, Panel5);
        } else {
            SHIMEILOAD(kFirstGradeFile, QStringLiteral("1"));
            if (M3 > 0) {
                showPage(Panel4, Panel9, Panel8);
            } else {
                // Nothing to choose: the pupil goes on without name levels.
                v_.SHIMEI = QStringLiteral("無名");
                // Closing from the event loop: a dialog closed while it is being shown
                // would leave its modal loop waiting.
                QMetaObject::invokeMethod(
                    this, [this] { finish(true); }, Qt::QueuedConnection);
                return;
            }
        }
    }
    focusPreviousChild();
}

void TForm4::showPage(QWidget *page, QWidget *prompt, QWidget *confirm) {
    confirm->hide();
    prompt->show();
    page->show();
    page->raise();
}

void TForm4::finish(bool confirmed) {
    if (confirmed)
        accept();
    else
        reject();
}

void TForm4::warn(const QString &text) {
    TForm5 *notice = main_ && main_->forms() ? main_->forms()->Form5 : nullptr;
    if (!notice)
        return;
    notice->Label1->setText(text);
    notice->Label1->adjustSize();
    // At its big size a warning is wider than the notice's design width: widen the notice
    // so the whole sentence shows, keeping the label's margin on the right and OK centred.
    const int designWidth = 645;
    const int width = std::max(designWidth, notice->Label1->x() * 2 + notice->Label1->width());
    notice->setFixedWidth(width);
    notice->BitBtn1->move((width - notice->BitBtn1->width()) / 2, notice->BitBtn1->y());
    // The picker covers the main window, so centring over it centres over the main window.
    notice->move(geometry().center() - QPoint(notice->width() / 2, notice->height() / 2));
    notice->exec();
}

// ---- resets ----

void TForm4::SYOKIGAKUNEN() {
    Panel1->show();
    Panel6->hide();
    v_.GAKUNEN.clear();
    for (QPushButton *b : gradeButtons)
        setTextColour(b, Qt::black);
}

void TForm4::SYOKIKUMI() {
    Panel7->show();
    Panel5->hide();
    v_.KUMI.clear();
    for (QPushButton *b : classButtons)
        setTextColour(b, Qt::black);
}

void TForm4::SYOKINAMAE() {
    Panel9->show();
    Panel8->hide();
    v_.SHIMEI.clear();
    for (QPushButton *b : nameButtons)
        setTextColour(b, Qt::black);
}

// ---- choices ----

void TForm4::BitBtn3Click(QPushButton *Sender) {
    SYOKIGAKUNEN();
    M12 = QString::number(Sender->property("Tag").toInt());
    setTextColour(Sender, Qt::red);
    v_.GAKUNEN = caption(Sender);
    Panel1->hide();
    Label1->setText(v_.GAKUNEN + kIfRight);
    Panel6->show();
}

void TForm4::BitBtn9Click(QPushButton *Sender) {
    SYOKIKUMI();
    M22 = QString::number(Sender->property("Tag").toInt());
    setTextColour(Sender, Qt::red);
    v_.KUMI = caption(Sender);
    Panel7->hide();
    Label3->setText(v_.GAKUNEN + u' ' + v_.KUMI + kIfRight);
    Panel5->show();
}

void TForm4::BitBtn18Click(QPushButton *Sender) {
    setTextColour(Sender, Qt::red);
    v_.SHIMEI = caption(Sender);
    Panel9->hide();
    Label5->setText(v_.GAKUNEN + u' ' + v_.KUMI + u' ' + v_.SHIMEI + kIfRight);
    Panel8->show();
}

// ---- grade bars ----

void TForm4::BitBtn59Click() {
    if (v_.GAKUNEN.isEmpty()) {
        warn(QStringLiteral("うえにある ボタンをえらんでください。"));
        return;
    }
    Label4->setText(v_.GAKUNEN + QStringLiteral(" のボタンをえらんでください。"));
    Panel2->hide();
    const QString file = QStringLiteral("学年") + M12 + QStringLiteral(".txt");
    KUMILOAD(file);
    if (M2 > 0) {
        SYOKIKUMI();
        showPage(Panel3, Panel7, Panel5);
    } else {
        SYOKINAMAE();
        SHIMEILOAD(file, QStringLiteral("1"));
        showPage(Panel4, Panel9, Panel8);
    }
}

void TForm4::BitBtn58Click() {
    SYOKIGAKUNEN();
}

void TForm4::BitBtn64Click() {
    v_.GAKUNEN.clear();
    v_.KUMI.clear();
    v_.SHIMEI.clear();
    finish(false);
}

// ---- class bars ----

void TForm4::BitBtn60Click() {
    if (v_.KUMI.isEmpty()) {
        warn(QStringLiteral("ボタンをえらんでください。"));
        return;
    }
    Label6->setText(v_.GAKUNEN + u' ' + v_.KUMI + QStringLiteral(" のボタンをえらんでください。"));
    if (M12.isEmpty())
        M12 = QStringLiteral("1");
    Panel3->hide();
    showPage(Panel4, Panel9, Panel8);
    SHIMEILOAD(QStringLiteral("学年") + M12 + QStringLiteral(".txt"), M22);
}

void TForm4::BitBtn61Click() {
    SYOKIKUMI();
}

void TForm4::BitBtn65Click() {
    SYOKIGAKUNEN();
    if (M1 > 0) {
        Panel3->hide();
        showPage(Panel2, Panel1, Panel6);
    } else {
        v_.GAKUNEN.clear();
        v_.KUMI.clear();
        v_.SHIMEI.clear();
        finish(false);
    }
}

// ---- name bars ----

void TForm4::BitBtn62Click() {
    if (!v_.SHIMEI.isEmpty())
        finish(true);
    else
        warn(QStringLiteral("うえにある ボタンをえらんでください。"));
}

void TForm4::BitBtn63Click() {
    SYOKINAMAE();
}

void TForm4::BitBtn66Click() {
    if (M2 > 0) {
        SYOKIKUMI();
        Panel4->hide();
        showPage(Panel3, Panel7, Panel5);
    } else if (M1 <= 0) {
        finish(false); // nothing chosen on the prompt bar: a cancel
    } else {
        SYOKIGAKUNEN();
        Panel4->hide();
        showPage(Panel2, Panel1, Panel6);
    }
}
