// The gate to the places where actions write files: what passes, what is refused, and that
// the writing operations take nothing but what the gate made.
#include "browser/downloads.h"
#include "browser/linkrunner.h"
#include "browser/core/savetarget.h"
#include "support/coresupport.h"

#include <QtTest>
#include <type_traits>

// Only the gate makes a target: no path converts into one, and the operations that write
// for an action refuse a plain path at compile time.
static_assert(!std::is_constructible_v<SaveTarget, QString>);
static_assert(!std::is_convertible_v<QString, SaveTarget>);
static_assert(!std::is_default_constructible_v<SaveTarget>);
using RunnerWrite = decltype(LinkCommandRunner::Needs::CopyURL);
static_assert(!std::is_invocable_v<RunnerWrite, QString, QString>);
static_assert(std::is_invocable_v<RunnerWrite, QString, SaveTarget>);
static_assert(!std::is_invocable_v<decltype(LinkCommandRunner::Needs::FFCOPY), QString, QString>);
static_assert(!std::is_invocable_v<decltype(&Transfers::CopyURL), Transfers *, QString, QString>);
static_assert(std::is_invocable_v<decltype(&Transfers::CopyURL), Transfers *, QString, SaveTarget>);
static_assert(!std::is_invocable_v<decltype(&Transfers::FFCOPY), QString, QString>);

class TestSaveTarget : public QObject {
    Q_OBJECT
private slots:
    void gate_data();
    void gate();
};

void TestSaveTarget::gate_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("passes");
    const QString save = u"Z:\\home\\t\\ほぞん\\"_qs;
    QTest::newRow("a work in the save folder") << save << save + u"作品 1.mwx"_qs << true;
    QTest::newRow("a file in a sub-folder") << save << save + u"sub\\a.wav"_qs << true;
    QTest::newRow("percent in a name stays as written") << save << save + u"my%20work.mwx"_qs << true;
    QTest::newRow("dots inside a name") << save << save + u"a..b.mwx"_qs << true;
    QTest::newRow("install list into the MWEX folder")
        << u"Z:\\q\\MWEX\\"_qs << u"Z:\\q\\MWEX\\gazou\\a.bmp"_qs << true;

    QTest::newRow("up and out by ..") << save << save + u"..\\x.exe"_qs << false;
    QTest::newRow("up inside a sub-folder") << save << save + u"sub\\..\\..\\x"_qs << false;
    QTest::newRow("up by dots Windows trims") << save << save + u"... \\x"_qs << false;
    QTest::newRow("up, percent-encoded") << save << save + u"%2e%2e\\x"_qs << false;
    QTest::newRow("up, encoded twice") << save << save + u"%252e%252e%255cx"_qs << false;
    QTest::newRow("up by slash") << save << save + u"../x"_qs << false;
    QTest::newRow("absolute path") << save << u"Z:\\etc\\x"_qs << false;
    QTest::newRow("another drive") << save << u"C:\\Windows\\x.exe"_qs << false;
    QTest::newRow("a drive inside the name") << save << save + u"C:x"_qs << false;
    QTest::newRow("a stream or drive colon") << save << save + u"a.mwx:zone"_qs << false;
    QTest::newRow("a second root after the folder") << save << save + u"\\x"_qs << false;
    QTest::newRow("UNC after the folder") << save << save + u"\\\\server\\share\\x"_qs << false;
    QTest::newRow("the folder itself") << save << save << false;
    QTest::newRow("line break in the name") << save << save + u"a\nb.mwx"_qs << false;
    QTest::newRow("tab in the name") << save << save + u"a\tb.mwx"_qs << false;
    // One decoding of the name holds a line break: the disk might be given either.
    QTest::newRow("encoded control character")
        << save << save + u"a%0Db.mwx"_qs << false;
    QTest::newRow("NUL") << save << save + QStringLiteral("a") + QChar(0) + u".mwx"_qs << false;
    QTest::newRow("DEL") << save << save + u"a\x7f.mwx"_qs << false;
    QTest::newRow("a folder beside with the same start")
        << save << u"Z:\\home\\t\\ほぞん2\\x.mwx"_qs << false;
    QTest::newRow("folder without final separator")
        << u"Z:\\home\\t\\ほぞん"_qs << u"Z:\\home\\t\\ほぞん2\\x"_qs << false;
    QTest::newRow("no folder at all") << QString() << u"x.mwx"_qs << false;
}

void TestSaveTarget::gate() {
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QFETCH(bool, passes);
    const auto to = SaveTarget::inside(folder, path);
    QCOMPARE(to.has_value(), passes);
    if (to)
        QCOMPARE(to->path(), path);
}

QUMO_CORE_TEST_MAIN(TestSaveTarget)
#include "tst_savetarget.moc"
