// Roster files: cutting the grade, class and name lists out of a file's text.
#include "folders/core/roster.h"

#include <QtTest>

namespace {
// "N=caption" for every button that a caption makes visible, N counted from 1.
QStringList shown(const QStringList &captions, bool (*usable)(const QString &)) {
    QStringList out;
    for (int i = 0; i < captions.size(); ++i) {
        if (usable(captions[i]))
            out.append(QString::number(i + 1) + u'=' + captions[i]);
    }
    return out;
}

// Lines joined with CR LF, each one ended by it.
QString lines(const QStringList &l) {
    return l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QStringList numbered(const QString &stem, int first, int last) {
    QStringList l;
    for (int i = first; i <= last; ++i)
        l.append(stem + QString::number(i));
    return l;
}
} // namespace

class TestRoster : public QObject {
    Q_OBJECT
private slots:
    void gradeList_data();
    void gradeList();
    void classList_data();
    void classList();
    void nameList_data();
    void nameList();
    void folderNames_data();
    void folderNames();
};

void TestRoster::gradeList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QStringList>("visible");

    QTest::newRow("hyphen leaves a gap, later grades keep their place")
        << lines({"<学年名>", "1年", "-", "3年", "</学年名>"}) << true
        << QStringList{"1=1年", "3=3年"};
    QTest::newRow("empty line leaves a gap") << lines({"<学年名>", "1年", "", "3年", "</学年名>"})
                                             << true << QStringList{"1=1年", "3=3年"};
    QTest::newRow("no closing tag: the list runs to the end")
        << lines({"<学年名>", "1年", "2年"}) << true << QStringList{"1=1年", "2=2年"};
    QTest::newRow("last line without line break is not used")
        << QStringLiteral("<学年名>\r\n1年\r\n2年") << true << QStringList{"1=1年"};
    QTest::newRow("two characters after the tag are skipped whatever they are")
        << QStringLiteral("<学年名>ab1年\r\n2年\r\n</学年名>") << true
        << QStringList{"1=1年", "2=2年"};
    QTest::newRow("text before the tag is ignored")
        << lines({"せつめい", "<学年名>", "1年", "</学年名>"}) << true << QStringList{"1=1年"};
    QTest::newRow("at most seven grades")
        << lines(QStringList{"<学年名>"} + numbered("G", 1, 9) + QStringList{"</学年名>"}) << true
        << QStringList{"1=G1", "2=G2", "3=G3", "4=G4", "5=G5", "6=G6", "7=G7"};
    QTest::newRow("labels keep their spaces") << lines({"<学年名>", " 1年 ", "2 年", "</学年名>"})
                                              << true << QStringList{"1= 1年 ", "2=2 年"};
    QTest::newRow("a hyphen with spaces is a label")
        << lines({"<学年名>", " - ", "</学年名>"}) << true << QStringList{"1= - "};
    QTest::newRow("without the tag the buttons stay")
        << lines({"1年", "2年"}) << false << QStringList{};
    QTest::newRow("grade file without the grade tag stays")
        << lines({"<学級名>", "1組", "</学級名>"}) << false << QStringList{};
    QTest::newRow("empty text stays") << QString() << false << QStringList{};
}

void TestRoster::gradeList() {
    QFETCH(QString, text);
    QFETCH(bool, loaded);
    QFETCH(QStringList, visible);
    const auto captions = roster::gradeCaptions(text);
    QCOMPARE(captions.has_value(), loaded);
    if (!captions)
        return;
    QCOMPARE(captions->size(), roster::GradeButtons);
    QCOMPARE(shown(*captions, roster::usableGradeCaption), visible);
}

void TestRoster::classList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QStringList>("visible");

    QTest::newRow("two classes, names after them")
        << lines({"<学級名>", "1組", "2組", "</学級名>", "<1>", "たろう", "<2>", "じろう"}) << true
        << QStringList{"1=1組", "2=2組"};
    QTest::newRow("no closing tag: no classes")
        << lines({"<学級名>", "1組", "2組"}) << true << QStringList{};
    QTest::newRow("hyphen is an ordinary class")
        << lines({"<学級名>", "-", "2組", "</学級名>"}) << true << QStringList{"1=-", "2=2組"};
    QTest::newRow("empty line leaves a gap") << lines({"<学級名>", "1組", "", "3組", "</学級名>"})
                                             << true << QStringList{"1=1組", "3=3組"};
    QTest::newRow("at most eight classes")
        << lines(QStringList{"<学級名>"} + numbered("C", 1, 10) + QStringList{"</学級名>"}) << true
        << QStringList{"1=C1", "2=C2", "3=C3", "4=C4", "5=C5", "6=C6", "7=C7", "8=C8"};
    QTest::newRow("empty class list of a grade without classes")
        << lines({"<学級名>", "</学級名>", "<1>", "たろう"}) << true << QStringList{};
    QTest::newRow("labels keep their spaces")
        << lines({"<学級名>", "  1組", "</学級名>"}) << true << QStringList{"1=  1組"};
    QTest::newRow("grade file without the class tag stays")
        << lines({"<1>", "たろう"}) << false << QStringList{};
}

void TestRoster::classList() {
    QFETCH(QString, text);
    QFETCH(bool, loaded);
    QFETCH(QStringList, visible);
    const auto captions = roster::classCaptions(text);
    QCOMPARE(captions.has_value(), loaded);
    if (!captions)
        return;
    QCOMPARE(captions->size(), roster::ClassButtons);
    QCOMPARE(shown(*captions, roster::usableCaption), visible);
}

void TestRoster::nameList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("K");
    QTest::addColumn<QStringList>("visible");

    const QString twoClasses = lines({"<学級名>", "1組", "2組", "</学級名>", "<1>", "たろう",
                                      "はなこ", "<2>", "じろう", "</2>"});
    QTest::newRow("class 1 stops at the header of class 2")
        << twoClasses << "1" << QStringList{"1=たろう", "2=はなこ"};
    QTest::newRow("class 2 after the class-1 names")
        << twoClasses << "2" << QStringList{"1=じろう"};
    QTest::newRow("no header for the class: no names") << twoClasses << "3" << QStringList{};
    QTest::newRow("header with a word after the digit")
        << lines({"<学級名>", "1組", "</学級名>", "<1組>", "たろう", "</1組>"}) << "1"
        << QStringList{"1=たろう"};
    QTest::newRow("last name without line break is not shown")
        << QStringLiteral("<学級名>\r\n</学級名>\r\n<1>\r\nたろう\r\nはなこ") << "1"
        << QStringList{"1=たろう"};
    QTest::newRow("empty line leaves a gap")
        << lines({"<学級名>", "</学級名>", "<1>", "たろう", "", "はなこ"}) << "1"
        << QStringList{"1=たろう", "3=はなこ"};
    QTest::newRow("labels keep their spaces")
        << lines({"<学級名>", "</学級名>", "<1>", " たろう ", "</1>"}) << "1"
        << QStringList{"1= たろう "};
    QStringList fortyTwo;
    for (int i = 1; i <= 42; ++i)
        fortyTwo.append(QString::number(i) + QStringLiteral("=N") + QString::number(i));
    QTest::newRow("at most 42 names")
        << lines(QStringList{"<学級名>", "</学級名>", "<1>"} + numbered("N", 1, 50)) << "1"
        << fortyTwo;
    QTest::newRow("headers before the class tag are not names")
        << lines({"<1>", "ちがう", "<学級名>", "</学級名>", "<1>", "たろう"}) << "1"
        << QStringList{"1=たろう"};
    QTest::newRow("grade file without the class tag: sections from the start")
        << lines({"<1>", "たろう", "</1>"}) << "1" << QStringList{"1=たろう"};
    QTest::newRow("a header that never closes holds no names")
        << QStringLiteral("<学級名>\r\n</学級名>\r\n<1") << "1" << QStringList{};
}

void TestRoster::nameList() {
    QFETCH(QString, text);
    QFETCH(QString, K);
    QFETCH(QStringList, visible);
    const QStringList captions = roster::nameCaptions(text, K);
    QCOMPARE(captions.size(), roster::NameButtons);
    QCOMPARE(shown(captions, roster::usableCaption), visible);
}

void TestRoster::folderNames_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("usable");
    QTest::newRow("kanji") << "1年" << true;
    QTest::newRow("spaces inside and around") << " 1 年 " << true;
    QTest::newRow("dots inside") << "a.b" << true;
    QTest::newRow("parent folder") << ".." << false;
    QTest::newRow("this folder") << "." << false;
    QTest::newRow("parent folder with a trailing blank") << ".. " << false;
    QTest::newRow("three dots") << "..." << false;
    QTest::newRow("this folder with a trailing blank") << ". " << false;
    QTest::newRow("backslash climbs out") << "..\\..\\x" << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("drive colon") << "C:" << false;
    QTest::newRow("wildcard") << "a*" << false;
    QTest::newRow("control character") << "a\tb" << false;
    QTest::newRow("empty") << "" << false;
}

void TestRoster::folderNames() {
    QFETCH(QString, label);
    QFETCH(bool, usable);
    QCOMPARE(roster::usableCaption(label), usable);
    QCOMPARE(roster::usableGradeCaption(label), usable);
}

QTEST_APPLESS_MAIN(TestRoster)
#include "tst_roster.moc"
