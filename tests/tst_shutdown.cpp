// The usage log written on close, and the delayed close.
#include "app/Unit2.h"
#include "app/program.h"
#include "platform/core/paths.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace testsupport;

namespace {
const QString kSettings = u"<TATE>600</TATE>\r\n<YOKO>800</YOKO>\r\n"
                          "<HOME>http://example.org/logo/</HOME>\r\n<NAME>さくひん</NAME>\r\n"
                          "<SAVE></SAVE>\r\n"_qs;

// A platform whose clock gives the moments of the test, one per reading.
class ClockPlatform : public RecordingPlatform {
public:
    QList<QDateTime> moments;
    QDateTime currentDateTime() override {
        return moments.size() > 1 ? moments.takeFirst() : moments.value(0);
    }
};
} // namespace

class TestShutdown : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void usageLog_data();
    void usageLog();
    void closeBeforeStartupWritesNothing();
    void unwritableLogDoesNotStopTheClose();
    void delayedClose();

private:
    QString tmp(const QString &rel) const { return dir_->path() + u'/' + rel; }
    std::unique_ptr<QumoProgram> start(const QString &programName);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ClockPlatform> platform_;
    QString savedCurrent_;
};

void TestShutdown::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestShutdown::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    platform_ = std::make_unique<ClockPlatform>();
    platform_->moments = {QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)),
                          QDateTime(QDate(2026, 3, 4), QTime(10, 15, 59))};
    qputenv("HOME", tmp(u"home"_qs).toUtf8());
    qputenv("XDG_CONFIG_HOME", tmp(u"home/.config"_qs).toUtf8());
    QDir().mkpath(tmp(u"home/Desktop"_qs));
    QDir().mkpath(tmp(u"cwd"_qs));
    savedCurrent_ = QDir::currentPath();
    QDir::setCurrent(tmp(u"cwd"_qs));
}

void TestShutdown::cleanup() {
    QDir::setCurrent(savedCurrent_);
    dir_.reset();
}

std::unique_ptr<QumoProgram> TestShutdown::start(const QString &programName) {
    // A comma and Japanese in the install path: written unquoted, in CP932.
    const auto l = makeInstall(tmp(u"inst,授業"_qs), programName, true, kSettings);
    auto p = std::make_unique<QumoProgram>(*platform_, l.programFile);
    p->main()->FormShow();
    return p;
}

void TestShutdown::usageLog_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("dvd");
    QTest::addColumn<bool>("survived"); // a log from before is still there at close
    QTest::addColumn<bool>("written");
    QTest::newRow("hard disk: four lines") << u"QUMOG.x86_64"_qs << false << false << true;
    QTest::newRow("roster mode: none") << u"_QUMOG.x86_64"_qs << false << false << false;
    QTest::newRow("read-only medium: none") << u"QUMOG.x86_64"_qs << true << false << false;
    QTest::newRow("surviving log left unchanged") << u"QUMOG.x86_64"_qs << false << true << false;
}

void TestShutdown::usageLog() {
    QFETCH(QString, program);
    QFETCH(bool, dvd);
    QFETCH(bool, survived);
    QFETCH(bool, written);
    // A log of an earlier use is removed at start (outside read-only media).
    writeFile(tmp(u"inst,授業/QUMOG/さくひん/QUMODATE.csv"_qs), "earlier use");
    auto p = start(program);
    QVERIFY2(p->main()->startupDone(), qPrintable(platform_->errors.join(u'\n')));
    const QString log = tmp(u"inst,授業/QUMOG/さくひん/QUMODATE.csv"_qs);
    QVERIFY(!QFileInfo::exists(log));
    p->values.DVD = dvd;
    if (survived)
        writeFile(log, "left from before");

    p->main()->close();

    TForm2 *notice = p->forms.Form2;
    QCOMPARE(notice->Label1->text(), u"おわります"_qs);
    QCOMPARE(notice->Label2->text(), u"--- おまちください ---"_qs);
    notice->Timer1Timer();
    if (survived) {
        QCOMPARE(readFile(log), QByteArray("left from before"));
    } else if (!written) {
        QVERIFY(!QFileInfo::exists(log));
    } else {
        const QString program = win(tmp(u"inst,授業/QUMOG.x86_64"_qs));
        const QString mwex = win(tmp(u"inst,授業/QUMOG/MWEX"_qs));
        const QByteArray expected =
            sjis(u"QUMO=,"_qs + program + u"\r\n"_qs + u"MWEXフォルダ=,"_qs + mwex + u"\\\r\n"_qs +
                 u"開始時刻=,2026/03/04,9:05:07\r\n"_qs + u"終了時刻=,2026/03/04,10:15:59\r\n"_qs);
        QCOMPARE(readFile(log), expected);
    }
    // Nothing anywhere else either.
    QVERIFY(!QFileInfo::exists(tmp(u"cwd/QUMODATE.csv"_qs)));
}

void TestShutdown::closeBeforeStartupWritesNothing() {
    // The Logo program is missing: the sequence stops before the save folder exists.
    QumoProgram p(*platform_, win(tmp(u"empty/QUMOG.x86_64"_qs)));
    writeFile(tmp(u"empty/QUMOG.x86_64"_qs), QByteArray());
    p.main()->FormShow();
    QVERIFY(!p.main()->startupDone());
    p.main()->close();
    p.forms.Form2->Timer1Timer();
    QVERIFY(!QFileInfo::exists(tmp(u"cwd/QUMODATE.csv"_qs)));
    QVERIFY(!QFileInfo::exists(tmp(u"empty/QUMODATE.csv"_qs)));
}

void TestShutdown::unwritableLogDoesNotStopTheClose() {
    auto p = start(u"QUMOG.x86_64"_qs);
    QVERIFY2(p->main()->startupDone(), qPrintable(platform_->errors.join(u'\n')));
    // A folder stands where the log would be written: the write fails, and leaves no file.
    const QString log = tmp(u"inst,授業/QUMOG/さくひん/QUMODATE.csv"_qs);
    QVERIFY(QDir().mkpath(log));
    QVERIFY(p->main()->close());
    // Quietly, as before: the program ends all the same.
    QCOMPARE(p->forms.Form2->Label1->text(), u"おわります"_qs);
    QVERIFY(platform_->errors.isEmpty());
    QVERIFY(QFileInfo(log).isDir());
    p->forms.Form2->Timer1Timer();
}

void TestShutdown::delayedClose() {
    auto p = start(u"QUMOG.x86_64"_qs);
    TForm1 *f = p->main();
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    QVERIFY(!f->Timer2->isActive());
    f->OWARI();
    QVERIFY(f->Timer2->isActive());
    QCOMPARE(f->Timer2->interval(), 1500);
    f->OWARI(); // a second call changes nothing
    QVERIFY(f->Timer2->isActive());
    QCOMPARE(f->Timer2->interval(), 1500);
    // The timer's firing closes the window and writes the log (driven here: that it fires
    // at its time, never before, is the capture flow's delay check).
    QVERIFY(QMetaObject::invokeMethod(f->Timer2, "timeout"));
    QTRY_VERIFY_WITH_TIMEOUT(!f->isVisible(), 10000);
    QVERIFY(!f->Timer2->isActive());
    QVERIFY(QFileInfo::exists(tmp(u"inst,授業/QUMOG/さくひん/QUMODATE.csv"_qs)));
    p->forms.Form2->Timer1Timer();
}

QUMO_TEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
