// Install lists: records read in turn, and which of them stay inside the MWEX folder.
#include "browser/core/installlist.h"
#include "support/coresupport.h"

#include <QtTest>

class TestInstallList : public QObject {
    Q_OBJECT
private slots:
    void installListParse_data();
    void installListParse();
};

void TestInstallList::installListParse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records"); // file|folder|inside
    QTest::newRow("two records") << u"a.gif#folder1&b.wav#folder2\\sub&"_qs
                                 << QStringList{u"a.gif|folder1|1"_qs, u"b.wav|folder2\\sub|1"_qs};
    QTest::newRow("line break joins the next file name")
        << u"a.gif#f1&\r\nb.wav#f2&\r\n"_qs << QStringList{u"a.gif|f1|1"_qs, u"\r\nb.wav|f2|1"_qs};
    QTest::newRow("text after the last & ignored") << u"a#b&c#d"_qs << QStringList{u"a|b|1"_qs};
    QTest::newRow("no # before &: empty file name skipped") << u"x&"_qs << QStringList{u"|x|0"_qs};
    QTest::newRow("dot-dot in the file")
        << u"..\\..\\evil#f&"_qs << QStringList{u"..\\..\\evil|f|0"_qs};
    QTest::newRow("dot-dot in the folder")
        << u"a#f\\..\\..&"_qs << QStringList{u"a|f\\..\\..|0"_qs};
    QTest::newRow("slash dot-dot") << u"a#f/../..&"_qs << QStringList{u"a|f/../..|0"_qs};
    QTest::newRow("dots and blanks") << u"a#f\\.. .&"_qs << QStringList{u"a|f\\.. .|0"_qs};
    QTest::newRow("drive") << u"a#C:\\Windows&"_qs << QStringList{u"a|C:\\Windows|0"_qs};
    QTest::newRow("leading backslash") << u"a#\\etc&"_qs << QStringList{u"a|\\etc|0"_qs};
    QTest::newRow("unc") << u"a#\\\\server\\share&"_qs << QStringList{u"a|\\\\server\\share|0"_qs};
    QTest::newRow("leading slash in the file") << u"/etc/x#f&"_qs << QStringList{u"/etc/x|f|0"_qs};
    QTest::newRow("single dots are harmless") << u"a.b#.\\c.&"_qs << QStringList{u"a.b|.\\c.|1"_qs};
    QTest::newRow("empty folder is the MWEX folder") << u"a#&"_qs << QStringList{u"a||1"_qs};
}

void TestInstallList::installListParse() {
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QStringList got;
    for (const auto &r : installlist::parse(text))
        got.append(r.file + u'|' + r.folder + u'|' + (installlist::staysInside(r) ? u'1' : u'0'));
    QCOMPARE(got, records);
}

QUMO_CORE_TEST_MAIN(TestInstallList)
#include "tst_installlist.moc"
