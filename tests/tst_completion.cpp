// The completion texts: what an export leaves behind, and where an install list put its files.
#include "browser/core/completion.h"
#include "support/coresupport.h"

#include <QtTest>

class TestCompletion : public QObject {
    Q_OBJECT
private slots:
    void exportList_data();
    void exportList();
    void installedText_data();
    void installedText();
};

void TestCompletion::exportList_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("leftOut");
    QTest::newRow("grade list") << u"学年名.txt"_qs << true;
    QTest::newRow("first grade") << u"学年1.txt"_qs << true;
    QTest::newRow("seventh grade") << u"学年7.txt"_qs << true;
    QTest::newRow("a grade beyond the picker's") << u"学年12.txt"_qs << true;
    QTest::newRow("upper-case extension") << u"学年2.TXT"_qs << true;
    QTest::newRow("leading separator") << u"/学年3.txt"_qs << true;
    QTest::newRow("the Logo program") << u"mwex.exe"_qs << false;
    QTest::newRow("the settings") << u"QUMOの設定.txt"_qs << false;
    QTest::newRow("the menu language") << u"MWEx.ini"_qs << false;
    QTest::newRow("a starting work") << u"w1.mwx"_qs << false;
    QTest::newRow("the Logo program's log") << u"mwex.log"_qs << false;
    QTest::newRow("a roster name in a sub-folder") << u"shapes/学年1.txt"_qs << false;
    QTest::newRow("backslash sub-folder") << u"shapes\\学年1.txt"_qs << false;
    QTest::newRow("grade without a number") << u"学年.txt"_qs << false;
    QTest::newRow("grade with other text") << u"学年1a.txt"_qs << false;
    QTest::newRow("full-width digit") << u"学年１.txt"_qs << false;
    QTest::newRow("another extension") << u"学年1.bak"_qs << false;
}

void TestCompletion::exportList() {
    QFETCH(QString, path);
    QFETCH(bool, leftOut);
    QCOMPARE(completion::leftOutOfExport(path), leftOut);
}

void TestCompletion::installedText_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("text");
    QTest::newRow("one") << QStringList{u"shapes"_qs} << u"MWEXの「shapes」に入れました。"_qs;
    QTest::newRow("three") << QStringList{u"a"_qs, u"b"_qs, u"c"_qs} << u"MWEXの「a」「b」「c」に入れました。"_qs;
    QTest::newRow("more than three") << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}
                                     << u"MWEXの「a」「b」「c」などに入れました。"_qs;
    QTest::newRow("none placed") << QStringList{} << u"ファイルを入れられませんでした。"_qs;
}

void TestCompletion::installedText() {
    QFETCH(QStringList, folders);
    QFETCH(QString, text);
    QCOMPARE(completion::installed(folders), text);
}

QUMO_CORE_TEST_MAIN(TestCompletion)
#include "tst_completion.moc"
