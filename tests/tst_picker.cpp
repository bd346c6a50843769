// The name-folder picker: its loaders on real roster files, its pages and bars driven by
// clicks, its warnings, and the start-up in roster mode that opens it.
#include "app/MAIN.h"
#include "app/windowplace.h"
#include "app/Unit2.h"
#include "app/Unit5.h"
#include "app/program.h"
#include "folders/Unit4.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <memory>

#include "support/x11probe.h"

using namespace testsupport;

namespace {
QString lines(const QStringList &l) {
    return l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

bool isRed(const QPushButton *b) {
    return b->palette().color(QPalette::ButtonText) == Qt::red;
}

// Buttons whose text is red, by caption.
QStringList redCaptions(const QList<QPushButton *> &buttons) {
    QStringList out;
    for (const QPushButton *b : buttons) {
        if (isRed(b))
            out.append(TForm4::caption(b));
    }
    return out;
}

// Captions of the buttons a pupil can see on a page.
QStringList visibleCaptions(const QList<QPushButton *> &buttons) {
    QStringList out;
    for (const QPushButton *b : buttons) {
        if (b->isVisible())
            out.append(TForm4::caption(b));
    }
    return out;
}

// A click as the pupil makes it: only on a button that can be seen.
bool click(QPushButton *b) {
    if (!b || !b->isVisible())
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

QPushButton *buttonCaptioned(const QList<QPushButton *> &buttons, const QString &caption) {
    for (QPushButton *b : buttons) {
        if (TForm4::caption(b) == caption)
            return b;
    }
    return nullptr;
}

// Answers every modal notice that appears while it lives: records the text, presses OK.
class NoticeAnswerer {
public:
    explicit NoticeAnswerer(TForm5 *notice) {
        QObject::connect(&timer_, &QTimer::timeout, [this, notice] {
            if (!notice->isVisible() || QApplication::activeModalWidget() != notice)
                return;
            texts.append(notice->Label1->text());
            fitted.append(notice->Label1->geometry().right() < notice->width());
            QTest::mouseClick(notice->BitBtn1, Qt::LeftButton);
        });
        timer_.start(10);
    }
    QStringList texts;
    QList<bool> fitted;

private:
    QTimer timer_;
};

const QString kChoose = QStringLiteral("ボタンをえらびましょう。");
} // namespace

class TestPicker : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadersReadFiles();
    void missingFileLeavesButtons();
    void gradeClassNameConfirmed();
    void choosingReplacesEarlierChoice();
    void twoNamesBeforeOk();
    void gradeWithoutClassesGoesToNames();
    void backPaths();
    void giveUpOnGradePage();
    void closeBoxKeepsResults();
    void namesOnly();
    void classesWithoutGrades();
    void nothingToChoose();
    void warnings();
    void layoutForSmallHands();
    void smallWindowKeepsEveryButtonInside();
    void chosenButtonsAreFramed();
    void titleBarOffersOnlyClose();

    void startupRosterMode();
    void startupCancelEndsProgram();
    void startupNothingToChooseAddsNoLevel();

    void screenshots();

private:
    void writeRoster(const QString &name, const QString &text);
    // Opens a fresh picker as the start-up does and waits until it shows a page.
    std::unique_ptr<TForm4> openPicker();

    QTemporaryDir dir_;
    QString rosterDir_;
    std::unique_ptr<RecordingPlatform> platform_;
    std::unique_ptr<QumoProgram> program_;
};

void TestPicker::initTestCase() {
    QVERIFY(dir_.isValid());
    QApplication::setQuitOnLastWindowClosed(false);
    platform_ = std::make_unique<RecordingPlatform>();
    program_ = std::make_unique<QumoProgram>(*platform_, win(dir_.filePath("QUMOG.x86_64")));
}

void TestPicker::init() {
    static int n = 0;
    rosterDir_ = dir_.filePath(QStringLiteral("roster%1").arg(++n));
    QDir().mkpath(rosterDir_);
    program_->values.RULEDIR = win(rosterDir_);
    program_->values.GAKUNEN.clear();
    program_->values.KUMI.clear();
    program_->values.SHIMEI.clear();
    platform_->beeps.clear();
}

void TestPicker::cleanup() {
    // Nothing may stay modal for the next case.
    QVERIFY(!QApplication::activeModalWidget());
}

void TestPicker::writeRoster(const QString &name, const QString &text) {
    writeFile(rosterDir_ + u'/' + name, sjis(text));
}

std::unique_ptr<TForm4> TestPicker::openPicker() {
    auto picker = std::make_unique<TForm4>(program_->values, program_->main());
    picker->show();
    return picker;
}

// A roster with a grade list (one gap), two classes in grade 1, no classes in grade 3.
static void fullRoster(const std::function<void(const QString &, const QString &)> &write) {
    write(QStringLiteral("学年名.txt"), lines({"<学年名>", "1年", "-", "3年", "</学年名>"}));
    write(QStringLiteral("学年1.txt"), lines({"<学級名>", "1組", "2組", "</学級名>", "<1>",
                                              "たろう", "はなこ", "<2>", "じろう", "さくら"}));
    write(QStringLiteral("学年3.txt"), lines({"<学級名>", "</学級名>", "<1>", "さぶろう", "</1>"}));
}

void TestPicker::loadersReadFiles() {
    // Shift-JIS with LF line ends, as a teacher's editor may save it.
    writeFile(rosterDir_ + QStringLiteral("/学年名.txt"),
              sjis(QStringLiteral("<学年名>\n1年\n-\n3年\n</学年名>\n")));
    // UTF-8 with a byte-order mark.
    writeFile(rosterDir_ + QStringLiteral("/学年1.txt"),
              QByteArray("\xEF\xBB\xBF") +
                  QStringLiteral("<学級名>\r\n1組\r\n</学級名>\r\n<1組>\r\nたろう\r\n").toUtf8());
    TForm4 picker(program_->values, program_->main());
    picker.GAKUNENLOAD(QStringLiteral("学年名.txt"));
    QCOMPARE(picker.M1, 2);
    QCOMPARE(TForm4::caption(picker.gradeButtons[0]), QStringLiteral("1年"));
    QVERIFY(!picker.gradeButtons[0]->isHidden());
    QVERIFY(picker.gradeButtons[1]->isHidden());
    QCOMPARE(TForm4::caption(picker.gradeButtons[2]), QStringLiteral("3年"));
    for (int i = 3; i < 7; ++i)
        QVERIFY(picker.gradeButtons[i]->isHidden());
    picker.KUMILOAD(QStringLiteral("学年1.txt"));
    QCOMPARE(picker.M2, 1);
    QCOMPARE(TForm4::caption(picker.classButtons[0]), QStringLiteral("1組"));
    picker.SHIMEILOAD(QStringLiteral("学年1.txt"), QStringLiteral("1"));
    QCOMPARE(picker.M3, 1);
    QCOMPARE(TForm4::caption(picker.nameButtons[0]), QStringLiteral("たろう"));
    QVERIFY(picker.nameButtons[1]->isHidden());
    QVERIFY(picker.NAMAE.isEmpty());
}

void TestPicker::missingFileLeavesButtons() {
    writeRoster(QStringLiteral("学年1.txt"), lines({"<学級名>", "1組", "</学級名>", "<1>", "A&B"}));
    TForm4 picker(program_->values, program_->main());
    picker.KUMILOAD(QStringLiteral("学年1.txt"));
    picker.SHIMEILOAD(QStringLiteral("学年1.txt"), QStringLiteral("1"));
    QCOMPARE(picker.M3, 1);
    QCOMPARE(TForm4::caption(picker.nameButtons[0]), QStringLiteral("A&B"));

    // Missing files and files without their tag: counts 0, buttons as they were.
    picker.KUMILOAD(QStringLiteral("学年2.txt"));
    QCOMPARE(picker.M2, 0);
    QCOMPARE(TForm4::caption(picker.classButtons[0]), QStringLiteral("1組"));
    QVERIFY(!picker.classButtons[0]->isHidden());
    picker.SHIMEILOAD(QStringLiteral("学年2.txt"), QStringLiteral("1"));
    QCOMPARE(picker.M3, 0);
    QCOMPARE(TForm4::caption(picker.nameButtons[0]), QStringLiteral("A&B"));
    writeRoster(QStringLiteral("学年名.txt"), lines({"1年", "2年"}));
    picker.GAKUNENLOAD(QStringLiteral("学年名.txt"));
    QCOMPARE(picker.M1, 0);
    QCOMPARE(TForm4::caption(picker.gradeButtons[0]), QStringLiteral("１年"));
    QVERIFY(picker.NAMAE.isEmpty());
}

void TestPicker::gradeClassNameConfirmed() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(p->Panel2->isVisible());
    QVERIFY(!p->Panel3->isVisible());
    QVERIFY(!p->Panel4->isVisible());
    QVERIFY(p->Panel1->isVisible());
    QVERIFY(!p->Panel6->isVisible());
    QCOMPARE(visibleCaptions(p->gradeButtons), (QStringList{"1年", "3年"}));
    QCOMPARE(p->Label2->text(), kChoose);

    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QCOMPARE(p->M12, QStringLiteral("1"));
    QCOMPARE(program_->values.GAKUNEN, QStringLiteral("1年"));
    QVERIFY(!p->Panel1->isVisible());
    QVERIFY(p->Panel6->isVisible());
    QCOMPARE(p->Label1->text(), QStringLiteral("1年 でよければ、OK します。"));
    QCOMPARE(redCaptions(p->gradeButtons), QStringList{"1年"});

    QVERIFY(click(p->BitBtn59));
    QVERIFY(!p->Panel2->isVisible());
    QVERIFY(p->Panel3->isVisible());
    QVERIFY(p->Panel7->isVisible());
    QVERIFY(!p->Panel5->isVisible());
    QCOMPARE(p->Label4->text(), QStringLiteral("1年 のボタンをえらんでください。"));
    QCOMPARE(visibleCaptions(p->classButtons), (QStringList{"1組", "2組"}));

    QVERIFY(click(buttonCaptioned(p->classButtons, "2組")));
    QCOMPARE(p->M22, QStringLiteral("2"));
    QCOMPARE(p->Label3->text(), QStringLiteral("1年 2組 でよければ、OK します。"));
    QVERIFY(p->Panel5->isVisible());
    QVERIFY(!p->Panel7->isVisible());

    QVERIFY(click(p->BitBtn60));
    QVERIFY(p->Panel4->isVisible());
    QVERIFY(!p->Panel3->isVisible());
    QVERIFY(p->Panel9->isVisible());
    QCOMPARE(p->Label6->text(), QStringLiteral("1年 2組 のボタンをえらんでください。"));
    QCOMPARE(visibleCaptions(p->nameButtons), (QStringList{"じろう", "さくら"}));
    QCOMPARE(p->M3, 2);

    QVERIFY(click(buttonCaptioned(p->nameButtons, "さくら")));
    QCOMPARE(p->Label5->text(), QStringLiteral("1年 2組 さくら でよければ、OK します。"));
    QVERIFY(p->Panel8->isVisible());
    QVERIFY(click(p->BitBtn62));
    QVERIFY(!p->isVisible());
    QCOMPARE(p->result(), int(QDialog::Accepted));
    QCOMPARE(program_->values.GAKUNEN, QStringLiteral("1年"));
    QCOMPARE(program_->values.KUMI, QStringLiteral("2組"));
    QCOMPARE(program_->values.SHIMEI, QStringLiteral("さくら"));
}

void TestPicker::choosingReplacesEarlierChoice() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    // The choice buttons stay usable while the confirm bar shows.
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "3年")));
    QCOMPARE(redCaptions(p->gradeButtons), QStringList{"3年"});
    QCOMPARE(p->M12, QStringLiteral("3"));
    QCOMPARE(p->Label1->text(), QStringLiteral("3年 でよければ、OK します。"));

    // Redo: back to the prompt, nothing chosen, every button black.
    QVERIFY(click(p->BitBtn58));
    QVERIFY(p->Panel1->isVisible());
    QVERIFY(!p->Panel6->isVisible());
    QVERIFY(program_->values.GAKUNEN.isEmpty());
    QVERIFY(redCaptions(p->gradeButtons).isEmpty());

    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "1組")));
    QVERIFY(click(buttonCaptioned(p->classButtons, "2組")));
    QCOMPARE(redCaptions(p->classButtons), QStringList{"2組"});
    QVERIFY(click(p->BitBtn61));
    QVERIFY(p->Panel7->isVisible());
    QVERIFY(program_->values.KUMI.isEmpty());
    QVERIFY(redCaptions(p->classButtons).isEmpty());
    p->close();
}

void TestPicker::twoNamesBeforeOk() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "1組")));
    QVERIFY(click(p->BitBtn60));
    QCOMPARE(visibleCaptions(p->nameButtons), (QStringList{"たろう", "はなこ"}));
    QVERIFY(click(buttonCaptioned(p->nameButtons, "たろう")));
    QVERIFY(click(buttonCaptioned(p->nameButtons, "はなこ")));
    QCOMPARE(redCaptions(p->nameButtons), (QStringList{"たろう", "はなこ"}));
    QCOMPARE(program_->values.SHIMEI, QStringLiteral("はなこ"));
    QCOMPARE(p->Label5->text(), QStringLiteral("1年 1組 はなこ でよければ、OK します。"));

    // Redo blackens every name and brings the prompt back.
    QVERIFY(click(p->BitBtn63));
    QVERIFY(redCaptions(p->nameButtons).isEmpty());
    QVERIFY(program_->values.SHIMEI.isEmpty());
    QVERIFY(p->Panel9->isVisible());
    QVERIFY(!p->Panel8->isVisible());
    QVERIFY(click(buttonCaptioned(p->nameButtons, "たろう")));
    QVERIFY(click(p->BitBtn62));
    QCOMPARE(p->result(), int(QDialog::Accepted));
    QCOMPARE(program_->values.SHIMEI, QStringLiteral("たろう"));
}

void TestPicker::gradeWithoutClassesGoesToNames() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "3年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(p->Panel4->isVisible());
    QVERIFY(!p->Panel3->isVisible());
    QCOMPARE(p->M2, 0);
    QCOMPARE(visibleCaptions(p->nameButtons), QStringList{"さぶろう"});
    // The name prompt is not rewritten on this road.
    QCOMPARE(p->Label6->text(), kChoose);
    QVERIFY(click(buttonCaptioned(p->nameButtons, "さぶろう")));
    QCOMPARE(p->Label5->text(), QStringLiteral("3年  さぶろう でよければ、OK します。"));

    // Back from the names of a grade without classes: to the grade page, grade forgotten.
    QVERIFY(click(p->BitBtn63));
    QVERIFY(click(p->BitBtn66));
    QVERIFY(p->Panel2->isVisible());
    QVERIFY(!p->Panel4->isVisible());
    QVERIFY(p->Panel1->isVisible());
    QVERIFY(program_->values.GAKUNEN.isEmpty());

    // Another grade with classes, then OK on its class: a label left by an earlier class OK
    // stays when a later grade has no classes.
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "1組")));
    QVERIFY(click(p->BitBtn60));
    QCOMPARE(p->Label6->text(), QStringLiteral("1年 1組 のボタンをえらんでください。"));
    QVERIFY(click(p->BitBtn66)); // names -> classes
    QVERIFY(click(p->BitBtn65)); // classes -> grades
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "3年")));
    QVERIFY(click(p->BitBtn59));
    QCOMPARE(p->Label6->text(), QStringLiteral("1年 1組 のボタンをえらんでください。"));
    QCOMPARE(visibleCaptions(p->nameButtons), QStringList{"さぶろう"});
    p->close();
}

void TestPicker::backPaths() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "2組")));
    QVERIFY(click(p->BitBtn60));
    QVERIFY(p->Panel4->isVisible());

    // Names -> classes: the class is forgotten and blackened, the prompt is back.
    QVERIFY(click(p->BitBtn66));
    QVERIFY(p->Panel3->isVisible());
    QVERIFY(!p->Panel4->isVisible());
    QVERIFY(p->Panel7->isVisible());
    QVERIFY(!p->Panel5->isVisible());
    QVERIFY(program_->values.KUMI.isEmpty());
    QVERIFY(redCaptions(p->classButtons).isEmpty());
    QCOMPARE(program_->values.GAKUNEN, QStringLiteral("1年"));

    // Classes -> grades: the grade is forgotten too.
    QVERIFY(click(p->BitBtn65));
    QVERIFY(p->Panel2->isVisible());
    QVERIFY(!p->Panel3->isVisible());
    QVERIFY(p->Panel1->isVisible());
    QVERIFY(program_->values.GAKUNEN.isEmpty());
    QVERIFY(redCaptions(p->gradeButtons).isEmpty());
    QVERIFY(p->isVisible());
    p->close();
}

void TestPicker::giveUpOnGradePage() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn58));
    program_->values.KUMI = QStringLiteral("stale");
    program_->values.SHIMEI = QStringLiteral("stale");
    QVERIFY(click(p->BitBtn64));
    QVERIFY(!p->isVisible());
    QCOMPARE(p->result(), int(QDialog::Rejected));
    QVERIFY(program_->values.GAKUNEN.isEmpty());
    QVERIFY(program_->values.KUMI.isEmpty());
    QVERIFY(program_->values.SHIMEI.isEmpty());
}

void TestPicker::closeBoxKeepsResults() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "1組")));
    QVERIFY(click(p->BitBtn60));
    QVERIFY(click(buttonCaptioned(p->nameButtons, "はなこ")));
    // A name chosen but not confirmed counts as chosen when the window is closed.
    QVERIFY(p->close());
    QVERIFY(!p->isVisible());
    QCOMPARE(program_->values.GAKUNEN, QStringLiteral("1年"));
    QCOMPARE(program_->values.KUMI, QStringLiteral("1組"));
    QCOMPARE(program_->values.SHIMEI, QStringLiteral("はなこ"));
}

void TestPicker::namesOnly() {
    writeRoster(QStringLiteral("学年1.txt"),
                lines({"<学級名>", "</学級名>", "<1>", "たろう", "はなこ", "</1>"}));
    auto p = openPicker();
    QVERIFY(p->Panel4->isVisible());
    QVERIFY(!p->Panel2->isVisible());
    QVERIFY(!p->Panel3->isVisible());
    QVERIFY(p->Panel9->isVisible());
    QVERIFY(click(buttonCaptioned(p->nameButtons, "はなこ")));
    QCOMPARE(p->Label5->text(), QStringLiteral("  はなこ でよければ、OK します。"));
    QVERIFY(program_->values.GAKUNEN.isEmpty());
    QVERIFY(program_->values.KUMI.isEmpty());

    // Back without class or grade page: the picker closes with no name (a cancel).
    QVERIFY(click(p->BitBtn63));
    QVERIFY(click(p->BitBtn66));
    QVERIFY(!p->isVisible());
    QVERIFY(program_->values.SHIMEI.isEmpty());
}

void TestPicker::classesWithoutGrades() {
    writeRoster(QStringLiteral("学年1.txt"),
                lines({"<学級名>", "1組", "2組", "</学級名>", "<1>", "たろう", "<2>", "じろう"}));
    auto p = openPicker();
    QVERIFY(p->Panel3->isVisible());
    QVERIFY(p->Panel7->isVisible());
    QVERIFY(click(buttonCaptioned(p->classButtons, "2組")));
    QCOMPARE(p->Label3->text(), QStringLiteral(" 2組 でよければ、OK します。"));
    QVERIFY(click(p->BitBtn60));
    QCOMPARE(p->M12, QStringLiteral("1"));
    QCOMPARE(visibleCaptions(p->nameButtons), QStringList{"じろう"});
    QCOMPARE(p->Label6->text(), QStringLiteral(" 2組 のボタンをえらんでください。"));

    // Names -> classes -> no grade page: the picker closes with all three results empty.
    QVERIFY(click(p->BitBtn66));
    QVERIFY(p->Panel3->isVisible());
    program_->values.SHIMEI = QStringLiteral("stale");
    QVERIFY(click(p->BitBtn65));
    QVERIFY(!p->isVisible());
    QCOMPARE(p->result(), int(QDialog::Rejected));
    QVERIFY(program_->values.GAKUNEN.isEmpty());
    QVERIFY(program_->values.KUMI.isEmpty());
    QVERIFY(program_->values.SHIMEI.isEmpty());
}

void TestPicker::nothingToChoose() {
    // A grade list of gaps only, a class list without closing tag, no name header.
    writeRoster(QStringLiteral("学年名.txt"), lines({"<学年名>", "-", "", "</学年名>"}));
    writeRoster(QStringLiteral("学年1.txt"), lines({"<学級名>", "1組"}));
    auto p = openPicker();
    QTRY_VERIFY(!p->isVisible());
    QCOMPARE(p->result(), int(QDialog::Accepted));
    QCOMPARE(program_->values.SHIMEI, QStringLiteral("無名"));
    QVERIFY(program_->values.GAKUNEN.isEmpty());
    QVERIFY(program_->values.KUMI.isEmpty());

    // Shown modally, as the start-up does, it returns at once as well.
    program_->values.SHIMEI.clear();
    TForm4 modal(program_->values, program_->main());
    QTimer guard; // should the picker wait for a pupil, the test fails instead of hanging
    guard.setSingleShot(true);
    bool timedOut = false;
    connect(&guard, &QTimer::timeout, &modal, [&] {
        timedOut = true;
        modal.reject();
    });
    guard.start(5000);
    modal.exec();
    QVERIFY(!timedOut);
    QCOMPARE(program_->values.SHIMEI, QStringLiteral("無名"));
}

void TestPicker::warnings() {
    // Grade 2 has no file: its OK leads to the design's blank name buttons.
    writeRoster(QStringLiteral("学年名.txt"), lines({"<学年名>", "1年", "2年", "</学年名>"}));
    auto p = openPicker();
    NoticeAnswerer answers(program_->forms.Form5);

    // OK with nothing chosen, on the grade page and on the class page.
    p->BitBtn59Click();
    QVERIFY(p->Panel2->isVisible());
    p->BitBtn60Click();

    QVERIFY(click(buttonCaptioned(p->gradeButtons, "2年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(p->Panel4->isVisible());
    QCOMPARE(visibleCaptions(p->nameButtons).size(), 42);
    QVERIFY(click(p->nameButtons[5]));
    QVERIFY(p->Panel8->isVisible());
    QCOMPARE(p->Label5->text(), QStringLiteral("2年   でよければ、OK します。"));
    QVERIFY(click(p->BitBtn62));
    QVERIFY(p->isVisible());
    QVERIFY(p->Panel8->isVisible());

    QCOMPARE(answers.texts,
             (QStringList{"うえにある ボタンをえらんでください。", "ボタンをえらんでください。",
                          "うえにある ボタンをえらんでください。"}));
    QCOMPARE(answers.fitted, (QList<bool>{true, true, true}));
    QCOMPARE(platform_->beeps.size(), 3); // the notice beeps as it shows
    p->close();
}

namespace {
int designPx(const QWidget *w) {
    return w->property("designPx").toInt();
}

// Every control at its design place and font size.
bool atDesign(const QList<QPushButton *> &controls) {
    for (const QPushButton *b : controls)
        if (b->geometry() != b->property("designRect").toRect() ||
            b->font().pixelSize() != designPx(b))
            return false;
    return true;
}
} // namespace

void TestPicker::layoutForSmallHands() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QCOMPARE(p->windowTitle(), QStringLiteral("名前フォルダの設定"));
    QCOMPARE(p->Panel2->geometry(), p->rect());
    QCOMPARE(p->Panel2->palette().color(QPalette::Window), QColor(192, 220, 192));
    QCOMPARE(p->size(), TForm4::DesignSize);
    QCOMPARE(p->gradeButtons[6]->objectName(), QStringLiteral("BitBtn57"));
    QCOMPARE(p->nameButtons[1]->objectName(), QStringLiteral("BitBtn1"));
    QCOMPARE(p->nameButtons[41]->objectName(), QStringLiteral("BitBtn56"));
    // Each page: its choices inside it and apart, its bars along its bottom edge below them,
    // the bar's text left of its buttons, OK left of the second button.
    const QList<QPair<QWidget *, QList<QPushButton *>>> pages{
        {p->Panel2, p->gradeButtons}, {p->Panel3, p->classButtons}, {p->Panel4, p->nameButtons}};
    for (const auto &[page, choices] : pages) {
        QCOMPARE(page->geometry(), p->rect());
        const QList<QWidget *> bars = page->findChildren<QWidget *>(
            QRegularExpression(QStringLiteral("^Panel\\d$")), Qt::FindDirectChildrenOnly);
        QCOMPARE(bars.size(), 2);
        for (QWidget *bar : bars) {
            const QRect r = bar->geometry();
            QCOMPARE(r.left(), 0);
            QCOMPARE(r.width(), page->width());
            QCOMPARE(r.bottom(), page->height() - 1);
            const QList<QPushButton *> buttons =
                bar->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly);
            const QList<QLabel *> labels = bar->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
            QCOMPARE(labels.size(), 1);
            QVERIFY(!buttons.isEmpty());
            int left = labels.first()->geometry().right();
            QVERIFY(bar->rect().contains(labels.first()->geometry()));
            QList<QPushButton *> ordered = buttons;
            std::sort(ordered.begin(), ordered.end(),
                      [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
            if (ordered.size() == 2)
                QCOMPARE(ordered.first()->text(), QStringLiteral("OK"));
            for (QPushButton *b : ordered) {
                QVERIFY2(bar->rect().contains(b->geometry()), qPrintable(b->objectName()));
                QVERIFY2(b->x() > left, qPrintable(b->objectName()));
                QVERIFY2(QFontMetrics(b->font()).horizontalAdvance(b->text()) < b->width(),
                         qPrintable(b->objectName()));
                left = b->geometry().right();
            }
        }
        for (int i = 0; i < choices.size(); ++i) {
            const QRect r = choices[i]->geometry();
            QVERIFY2(page->rect().contains(r), qPrintable(choices[i]->objectName()));
            for (QWidget *bar : bars)
                QVERIFY2(r.bottom() < bar->y(), qPrintable(choices[i]->objectName()));
            for (int j = i + 1; j < choices.size(); ++j)
                QVERIFY2(!r.intersects(choices[j]->geometry()),
                         qPrintable(choices[i]->objectName() + " / " + choices[j]->objectName()));
        }
    }
    QCOMPARE(p->gradeButtons[0]->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(p->nameButtons[0]->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(p->nameButtons[0]->font().bold());
    // Every caption fits its control at the design size.
    QFontMetrics grade(p->gradeButtons[0]->font());
    QVERIFY(grade.horizontalAdvance(QStringLiteral("３年")) < p->gradeButtons[0]->width() - 20);
    QFontMetrics names(p->nameButtons[0]->font());
    QVERIFY(names.horizontalAdvance(QStringLiteral("やまだ はなこ")) <
            p->nameButtons[0]->width() - 10);
    p->Label5->setText(QStringLiteral("1年 1組 やまだ はなこ でよければ、OK します。"));
    QVERIFY(QFontMetrics(p->Label5->font()).horizontalAdvance(p->Label5->text()) <
            p->BitBtn62->x() - p->Label5->x());
    p->close();
}

void TestPicker::smallWindowKeepsEveryButtonInside() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(p->BitBtn65)); // back to the grades, every page laid out
    p->resize(800, 500);
    QTRY_COMPARE(p->size(), QSize(800, 500));
    QList<QPushButton *> all = p->gradeButtons + p->classButtons + p->nameButtons;
    all += {p->BitBtn59, p->BitBtn58, p->BitBtn64, p->BitBtn60, p->BitBtn61,
            p->BitBtn65, p->BitBtn62, p->BitBtn63, p->BitBtn66};
    for (QPushButton *b : all) {
        const QRect inWindow(b->mapTo(p.get(), QPoint(0, 0)), b->size());
        QVERIFY2(p->rect().contains(inWindow), qPrintable(b->objectName()));
    }
    // Name buttons stay apart and the bar stays below them.
    for (int i = 0; i < p->nameButtons.size(); ++i) {
        for (int j = i + 1; j < p->nameButtons.size(); ++j)
            QVERIFY(!p->nameButtons[i]->geometry().intersects(p->nameButtons[j]->geometry()));
        QVERIFY(p->nameButtons[i]->geometry().bottom() < p->Panel9->y());
    }
    QVERIFY(p->gradeButtons[0]->font().pixelSize() < designPx(p->gradeButtons[0]));
    // Back at the design size, the design places return.
    p->resize(TForm4::DesignSize);
    QTRY_VERIFY(atDesign(all));
    p->close();
}

namespace {
QWidget *frameOf(QPushButton *b) {
    return b->findChild<QWidget *>(QStringLiteral("choiceFrame"), Qt::FindDirectChildrenOnly);
}
bool framed(QPushButton *b) {
    return frameOf(b) && frameOf(b)->isVisible();
}
} // namespace

void TestPicker::chosenButtonsAreFramed() {
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QPushButton *first = buttonCaptioned(p->gradeButtons, "1年");
    QPushButton *third = buttonCaptioned(p->gradeButtons, "3年");
    const QRect place = first->geometry();
    QVERIFY(click(first));
    QVERIFY(framed(first));
    QCOMPARE(first->geometry(), place); // nothing moves
    // Thick and coloured on the button as drawn: an edge pixel is the frame's colour.
    const QImage drawn = first->grab().toImage();
    QCOMPARE(drawn.pixelColor(4, drawn.height() / 2), QColor(255, 128, 0));
    QCOMPARE(drawn.pixelColor(drawn.width() / 2, drawn.height() - 5), QColor(255, 128, 0));
    // Another grade takes the frame; redo takes it away.
    QVERIFY(click(third));
    QVERIFY(!framed(first));
    QVERIFY(framed(third));
    QVERIFY(click(p->BitBtn58));
    QVERIFY(!framed(third));
    // Names: every chosen one keeps its frame, as it keeps its red text.
    QVERIFY(click(first));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "1組")));
    QVERIFY(click(p->BitBtn60));
    QPushButton *taro = buttonCaptioned(p->nameButtons, "たろう");
    QPushButton *hanako = buttonCaptioned(p->nameButtons, "はなこ");
    QVERIFY(click(taro));
    QVERIFY(click(hanako));
    QVERIFY(framed(taro) && framed(hanako));
    p->close();
}

void TestPicker::titleBarOffersOnlyClose() {
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    if (!probe.windowManagerRuns())
        QSKIP("needs a window manager (the classroom lane runs one)");
    fullRoster([this](const QString &n, const QString &t) { writeRoster(n, t); });
    auto p = openPicker();
    QVERIFY(QTest::qWaitForWindowExposed(p.get()));
    const Window w = Window(p->winId());
    Display *display = XOpenDisplay(nullptr);
    QStringList actions;
    const auto readActions = [&] {
        actions.clear();
        for (unsigned long a : probe.longs(w, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM)) {
            char *name = XGetAtomName(display, Atom(a));
            actions.append(QString::fromLatin1(name));
            XFree(name);
        }
        return !actions.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(readActions(), 10000);
    XCloseDisplay(display);
    QVERIFY2(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE")), qPrintable(actions.join(u' ')));
    for (const char *refused : {"_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                "_NET_WM_ACTION_MAXIMIZE_VERT"})
        QVERIFY2(!actions.contains(QLatin1String(refused)), refused);
    // A title bar is there, and the pages keep their design size in a window of that size.
    auto extents = probe.longs(w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    QVERIFY(extents.size() == 4 && extents[2] > 0);
    // Placed as start-up places it, by its whole rectangle: the whole frame, title bar and
    // its close box included, is on the primary screen.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // The frame's extents are physical pixels; sizes are asked for in scaled ones.
    const qreal ratio = p->devicePixelRatioF();
    const auto scaled = [ratio](unsigned long v) { return int(std::ceil(v / ratio)); };
    const QSize outer = QSize(TForm4::DesignSize.width() + scaled(extents[0]) + scaled(extents[1]),
                              TForm4::DesignSize.height() + scaled(extents[2]) + scaled(extents[3]));
    FrameFit::of(p.get())->fit(QRect(area.topLeft(), outer.boundedTo(area.size())));
    const QRect screen = probe.primaryMonitor();
    QTRY_VERIFY2_WITH_TIMEOUT(screen.contains(probe.outer(w)),
                              qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                             .arg(probe.outer(w).x()).arg(probe.outer(w).y())
                                             .arg(probe.outer(w).width()).arg(probe.outer(w).height())),
                              10000);
    qInfo("picker frame on the X server: %d,%d %dx%d, on the monitor %d,%d %dx%d; actions: %s",
          probe.outer(w).x(), probe.outer(w).y(), probe.outer(w).width(), probe.outer(w).height(),
          screen.x(), screen.y(), screen.width(), screen.height(), qPrintable(actions.join(u' ')));
    if (area.size() == area.size().expandedTo(outer)) {
        // At a fractional scale the frame is known to a scaled pixel only, and the inside
        // gives up that pixel on each side rather than the frame leave the screen.
        const int slack = ratio == std::floor(ratio) ? 0 : 2;
        const QSize design = TForm4::DesignSize;
        QTRY_VERIFY2(p->width() <= design.width() && p->width() >= design.width() - slack &&
                         p->height() <= design.height() && p->height() >= design.height() - slack,
                     qPrintable(u"inside %1x%2"_qs.arg(p->width()).arg(p->height())));
        // In a window of the design size the pages keep their design places (a smaller
        // one fits them to itself).
        if (p->size() == design)
            QVERIFY(atDesign(p->gradeButtons + p->classButtons + p->nameButtons));
    }
    p->close();
}

// ---- start-up in roster mode ----

namespace {
const QString kSettings = QStringLiteral("<TATE>660</TATE><YOKO>1113</YOKO><NAME>さくひん</NAME>"
                                         "<SAVE></SAVE><HOME>index.html</HOME>");

// Runs `step` on the picker once it is open in the start-up's modal loop.
void whenPickerOpens(TForm4 *picker, std::function<void()> step) {
    auto *timer = new QTimer(picker);
    QObject::connect(timer, &QTimer::timeout, picker, [timer, picker, step] {
        if (!picker->isVisible() || QApplication::activeModalWidget() != picker)
            return;
        timer->stop();
        timer->deleteLater();
        step();
    });
    timer->start(10);
}
} // namespace

void TestPicker::startupRosterMode() {
    const QString root = dir_.filePath(QStringLiteral("install-ok"));
    const InstallLayout l = makeInstall(root, QStringLiteral("_QUMOG.x86_64"), false, kSettings);
    writeFile(l.mwexDir + QStringLiteral("/学年名.txt"),
              sjis(lines({"<学年名>", "1年", "-", "3年", "</学年名>"})));
    writeFile(l.mwexDir + QStringLiteral("/学年1.txt"),
              sjis(lines({"<学級名>", "1組", "2組", "</学級名>", "<1>", " たろう ", "<2>"})));
    RecordingPlatform platform;
    QumoProgram program(platform, l.programFile);
    TForm1 *main = program.main();
    TForm4 *picker = program.forms.Form4;
    QRect pickerGeometry, mainGeometry;
    x11probe::Probe probe;
    QVERIFY(probe.ok());
    int pickerLevel = -1, mainLevel = -1;
    whenPickerOpens(picker, [&] {
        // As asked for: the main window's whole rectangle, frame included. (Where a window
        // manager has put the frames by now is its own affair.)
        pickerGeometry = FrameFit::of(picker)->asked();
        mainGeometry = QRect(main->pos(), main->frameSizeAskedFor());
        // Above the main window in the X server's stacking order, with or without a window
        // manager (a bare server does not restack a window it maps).
        testsupport::waitFor([&] {
            pickerLevel = probe.stackIndex(Window(picker->winId()));
            mainLevel = probe.stackIndex(Window(main->winId()));
            return mainLevel >= 0 && pickerLevel > mainLevel;
        }, 5000);
        click(buttonCaptioned(picker->gradeButtons, "1年"));
        click(picker->BitBtn59);
        click(buttonCaptioned(picker->classButtons, "1組"));
        click(picker->BitBtn60);
        click(buttonCaptioned(picker->nameButtons, " たろう "));
        click(picker->BitBtn62);
    });
    main->show();
    QTRY_VERIFY_WITH_TIMEOUT(main->startupDone(), 20000);
    QVERIFY(program.values.DL);
    QVERIFY2(mainLevel >= 0 && pickerLevel > mainLevel,
             qPrintable(QStringLiteral("picker %1, main %2").arg(pickerLevel).arg(mainLevel)));
    qInfo("stacking on the X server: picker at %d, main window at %d", pickerLevel, mainLevel);
    QCOMPARE(pickerGeometry, mainGeometry);
    QCOMPARE(pickerGeometry.size(),
             QSize(1113, 660).boundedTo(QGuiApplication::primaryScreen()->availableGeometry().size()));
    QCOMPARE(program.values.QUMOHOZON,
             win(root) + QStringLiteral("\\さくひん\\1年\\1組\\ たろう \\"));
    QVERIFY(QDir(root + QStringLiteral("/さくひん/1年/1組/ たろう ")).exists());
    QCOMPARE(main->windowTitle(), program.values.QUMOHOZON);
    main->close();
    QVERIFY(!QFile::exists(root + QStringLiteral("/さくひん/1年/1組/ たろう /QUMODATE.csv")));
}

void TestPicker::startupCancelEndsProgram() {
    const QString root = dir_.filePath(QStringLiteral("install-cancel"));
    const InstallLayout l = makeInstall(root, QStringLiteral("_QUMOG.x86_64"), false, kSettings);
    writeFile(l.mwexDir + QStringLiteral("/学年1.txt"),
              sjis(lines({"<学級名>", "1組", "</学級名>", "<1>", "たろう"})));
    RecordingPlatform platform;
    QumoProgram program(platform, l.programFile);
    TForm1 *main = program.main();
    TForm4 *picker = program.forms.Form4;
    whenPickerOpens(picker, [&] {
        // The pupil chooses a class, thinks again and goes back: no grade page, so a cancel.
        click(buttonCaptioned(picker->classButtons, "1組"));
        click(picker->BitBtn61);
        click(picker->BitBtn65);
    });
    main->show();
    QTRY_VERIFY_WITH_TIMEOUT(main->Timer2->isActive(), 20000);
    QVERIFY(!picker->isVisible());
    QCOMPARE(main->Timer2->interval(), 1500);
    QCOMPARE(platform.beeps, QList<unsigned>{platform::BeepDefault});
    QCOMPARE(program.forms.Form2->Label1->text(), QStringLiteral("おわりにします"));
    QVERIFY(program.values.GAKUNEN.isEmpty());
    QVERIFY(program.values.KUMI.isEmpty());
    QVERIFY(!main->startupDone());
    // The delayed close ends the program.
    main->Timer2Timer();
    QVERIFY(!main->isVisible());
    QVERIFY(!QDir(root + QStringLiteral("/さくひん")).exists());
    QDirIterator it(root, QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY2(!it.next().endsWith(QStringLiteral("QUMODATE.csv")), qPrintable(it.filePath()));
}

void TestPicker::startupNothingToChooseAddsNoLevel() {
    const QString root = dir_.filePath(QStringLiteral("install-nameless"));
    const InstallLayout l = makeInstall(root, QStringLiteral("_QUMOG.x86_64"), false, kSettings);
    writeFile(l.mwexDir + QStringLiteral("/学年1.txt"), sjis(lines({"<学級名>", "</学級名>"})));
    RecordingPlatform platform;
    QumoProgram program(platform, l.programFile);
    program.main()->show();
    QTRY_VERIFY_WITH_TIMEOUT(program.main()->startupDone(), 20000);
    QVERIFY(!program.forms.Form4->isVisible());
    QVERIFY(program.values.SHIMEI.isEmpty());
    QCOMPARE(program.values.QUMOHOZON, win(root) + QStringLiteral("\\さくひん\\"));
    QVERIFY(platform.beeps.isEmpty());
    program.main()->close();
}

// ---- pictures of the pages as a pupil sees them ----

void TestPicker::screenshots() {
    const QString out = qEnvironmentVariable("QUMO_PICKER_SHOTS");
    if (out.isEmpty())
        QSKIP("set QUMO_PICKER_SHOTS to a folder to save pictures of the pages");
    writeRoster(QStringLiteral("学年名.txt"),
                lines({"<学年名>", "1年", "2年", "3年", "4年", "5年", "6年", "</学年名>"}));
    QStringList names{"<学級名>", "1組", "2組", "3組", "</学級名>", "<1>"};
    const QStringList sample{"あおき ゆう",   "いとう はな",   "うえだ そら",   "えんどう りく",
                             "おかだ めい",   "かとう れん",   "きむら ひな",   "くどう かい",
                             "けんもち さき", "こばやし あん", "さとう たく",   "しみず のあ",
                             "すずき ゆい",   "せきね はると", "そのだ みお",   "たなか こう",
                             "ちば ゆず",     "つじ あおい",   "てらだ しん",   "とみた えま",
                             "なかむら りお", "にしだ つむぎ", "ぬまた そうた", "ねもと あかり",
                             "のだ ひろ",     "はやし まい",   "ひらの けんた", "ふじい さな"};
    names += sample;
    names += QStringList{"<2>", "やまだ はなこ"};
    writeRoster(QStringLiteral("学年1.txt"), lines(names));
    auto p = openPicker();
    QTest::qWait(50);
    QVERIFY(p->grab().save(out + QStringLiteral("/picker-1.png")));
    QVERIFY(click(buttonCaptioned(p->gradeButtons, "1年")));
    QVERIFY(click(p->BitBtn59));
    QVERIFY(click(buttonCaptioned(p->classButtons, "1組")));
    QVERIFY(p->grab().save(out + QStringLiteral("/picker-2.png")));
    QVERIFY(click(p->BitBtn60));
    QVERIFY(click(buttonCaptioned(p->nameButtons, "すずき ゆい")));
    QVERIFY(p->grab().save(out + QStringLiteral("/picker-3.png")));
    // The warning as the pupil meets it: OK with no name chosen.
    QVERIFY(click(p->BitBtn63));
    TForm5 *notice = program_->forms.Form5;
    bool saved = false;
    QTimer grabber;
    connect(&grabber, &QTimer::timeout, notice, [&] {
        if (QApplication::activeModalWidget() != notice)
            return;
        grabber.stop();
        saved = notice->grab().save(out + QStringLiteral("/picker-notice.png"));
        notice->BitBtn1->click();
    });
    grabber.start(10);
    p->BitBtn62Click();
    QVERIFY(saved);
    p->close();
}

int main(int argc, char **argv) {
    testsupport::prepareTestProcess();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    installFontSubstitutions();
    TestPicker tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_picker.moc"
