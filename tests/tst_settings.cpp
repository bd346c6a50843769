// Settings values between tags, and whole numbers.
#include "app/core/settings.h"
#include "support/coresupport.h"

#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void extract_data();
    void extract();
    void wholeNumber_data();
    void wholeNumber();
    void windowSizesStayOnScreen_data();
    void windowSizesStayOnScreen();
};

void TestSettings::extract_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("value");
    QTest::newRow("both tags in order") << u"x<TATE>600</TATE>y"_qs << u"TATE"_qs << u"600"_qs;
    QTest::newRow("each on its own line") << u"<YOKO>800</YOKO>\r\n<TATE>600</TATE>\r\n"_qs << u"TATE"_qs << u"600"_qs;
    QTest::newRow("value on the next line keeps the line end") << u"<TATE>\r\n600</TATE>"_qs << u"TATE"_qs << u"\r\n600"_qs;
    QTest::newRow("closing tag missing") << u"<TATE>600"_qs << u"TATE"_qs << QString();
    QTest::newRow("closing before opening") << u"</TATE>x<TATE>600"_qs << u"TATE"_qs << QString();
    // Opening tag missing: from position L (1-based) up to before the closing tag.
    QTest::newRow("opening tag missing") << u"abcdefghij</TATE>"_qs << u"TATE"_qs << u"fghij"_qs;
    QTest::newRow("opening missing, closing early") << u"ab</TATE>"_qs << u"TATE"_qs << QString();
    QTest::newRow("closing tag twice: the first ends") << u"<NAME>a</NAME>b</NAME>"_qs << u"NAME"_qs << u"a"_qs;
    QTest::newRow("opening tag twice: the first counts") << u"<NAME>a<NAME>b</NAME>"_qs << u"NAME"_qs << u"a<NAME>b"_qs;
    QTest::newRow("interleaved tags") << u"<NAME>x<SAVE>y</NAME>z</SAVE>"_qs << u"SAVE"_qs << u"y</NAME>z"_qs;
    QTest::newRow("open tags are 7 long") << u"<OPEN3>a.html</OPEN3>"_qs << u"OPEN3"_qs << u"a.html"_qs;
    QTest::newRow("pen tag is 5 long") << u"<PEN>0</PEN>"_qs << u"PEN"_qs << u"0"_qs;
    QTest::newRow("case matters") << u"<tate>1</tate>"_qs << u"TATE"_qs << QString();
    QTest::newRow("japanese value") << u"<SAVE>デスクトップ</SAVE>"_qs << u"SAVE"_qs << u"デスクトップ"_qs;
    QTest::newRow("empty text") << QString() << u"TATE"_qs << QString();
    QTest::newRow("blanks belong to the value") << u"<CLIP> 0</CLIP>"_qs << u"CLIP"_qs << u" 0"_qs;
}

void TestSettings::extract() {
    QFETCH(QString, text);
    QFETCH(QString, tag);
    QFETCH(QString, value);
    QCOMPARE(settings::extract(text, tag), value);
}

void TestSettings::wholeNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << u"600"_qs << true << 600;
    QTest::newRow("leading blanks") << u"  600"_qs << true << 600;
    QTest::newRow("plus") << u"+5"_qs << true << 5;
    QTest::newRow("minus") << u"-5"_qs << true << -5;
    QTest::newRow("blanks then sign") << u" -0"_qs << true << 0;
    QTest::newRow("max") << u"2147483647"_qs << true << 2147483647;
    QTest::newRow("min") << u"-2147483648"_qs << true << int(-2147483647 - 1);
    QTest::newRow("too big") << u"2147483648"_qs << false << 0;
    QTest::newRow("trailing blank") << u"600 "_qs << false << 0;
    QTest::newRow("trailing line end") << u"600\r\n"_qs << false << 0;
    QTest::newRow("leading line end") << u"\r\n600"_qs << false << 0;
    QTest::newRow("empty") << QString() << false << 0;
    QTest::newRow("sign only") << u"-"_qs << false << 0;
    QTest::newRow("letters") << u"6OO"_qs << false << 0;
    QTest::newRow("full-width digits") << u"６００"_qs << false << 0;
    QTest::newRow("blank between sign and digits") << u"- 5"_qs << false << 0;
}

void TestSettings::wholeNumber() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    const auto n = settings::toWholeNumber(text);
    QCOMPARE(n.has_value(), valid);
    if (valid)
        QCOMPARE(*n, value);
}

// The main window within [minimum, screen]; the Logo program's size likewise, except that
// 0 or less keeps meaning "not placed".
void TestSettings::windowSizesStayOnScreen_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("logo");
    QTest::newRow("ordinary") << 600 << 1024 << 600 << 600;
    QTest::newRow("zero") << 0 << 1024 << 150 << 0;
    QTest::newRow("negative") << -40 << 1024 << 150 << -40;
    QTest::newRow("most negative") << int(-2147483647 - 1) << 1024 << 150 << int(-2147483647 - 1);
    QTest::newRow("one pixel") << 1 << 1024 << 150 << 150;
    QTest::newRow("just below the least") << 149 << 1024 << 150 << 150;
    QTest::newRow("the least") << 150 << 1024 << 150 << 150;
    QTest::newRow("the screen") << 1024 << 1024 << 1024 << 1024;
    QTest::newRow("just above the screen") << 1025 << 1024 << 1024 << 1024;
    QTest::newRow("huge") << 999999999 << 1024 << 1024 << 1024;
    QTest::newRow("largest") << 2147483647 << 1024 << 1024 << 1024;
    QTest::newRow("screen smaller than the least") << 500 << 100 << 150 << 150;
    QTest::newRow("no screen known: no upper bound") << 5000 << 0 << 5000 << 5000;
}

void TestSettings::windowSizesStayOnScreen() {
    QFETCH(int, value);
    QFETCH(int, available);
    QFETCH(int, window);
    QFETCH(int, logo);
    QCOMPARE(settings::clampExtent(value, settings::MinWindowHeight, available), window);
    QCOMPARE(settings::clampPlacedExtent(value, settings::MinWindowHeight, available), logo);
}

QUMO_CORE_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
