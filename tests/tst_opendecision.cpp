// Where the open operation sends a target, decided from its name and the file system.
#include "platform/core/opener.h"
#include "platform/core/paths.h"
#include "support/coresupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

class TestOpenDecision : public QObject {
    Q_OBJECT
private slots:
    void openRoute_data();
    void openRoute();

private:
    QString tmp(const QString &rel) const { return dir_.path() + u'/' + rel; }
    QTemporaryDir dir_;
};

// Where the open operation sends a target: only a name ending in ".exe" is started; the
// bytes of a file never make it a program; what the desktop's opener would run is refused.
void TestOpenDecision::openRoute_data() {
    QTest::addColumn<QString>("name"); // a file made in the temp folder, or a URL
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<int>("route");
    const QByteArray mz("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff", 16);
    const QByteArray elf("\x7f" "ELF\x02\x01\x01\x00", 8);
    const int program = int(platform::OpenRoute::Program);
    const int opener = int(platform::OpenRoute::Opener);
    const int refused = int(platform::OpenRoute::Refused);
    QTest::newRow("text whose bytes are a Windows program") << u"note.txt"_qs << mz << false << opener;
    QTest::newRow("text that is an executable script") << u"s.txt"_qs << QByteArray("#!/bin/sh\necho x\n") << true << opener;
    QTest::newRow("picture whose bytes are a program") << u"p.jpg"_qs << elf << true << opener;
    QTest::newRow("work") << u"w.mwx"_qs << QByteArray("work") << false << opener;
    QTest::newRow("archive") << u"a.zip"_qs << QByteArray("PK\x03\x04") << false << opener;
    QTest::newRow("program by its name") << u"tool.exe"_qs << mz << false << program;
    QTest::newRow("program, upper case") << u"TOOL.EXE"_qs << mz << false << program;
    QTest::newRow("name that only contains .exe") << u"tool.exe.txt"_qs << mz << false << opener;
    QTest::newRow("shell script") << u"x.sh"_qs << QByteArray("#!/bin/sh\n") << false << refused;
    QTest::newRow("python script") << u"x.py"_qs << QByteArray("print(1)\n") << false << refused;
    QTest::newRow("launcher") << u"x.desktop"_qs << QByteArray("[Desktop Entry]\nExec=xterm\n") << false << refused;
    QTest::newRow("batch file") << u"x.BAT"_qs << QByteArray("echo x\r\n") << false << refused;
    QTest::newRow("shortcut") << u"x.lnk"_qs << QByteArray("L\0\0\0", 4) << false << refused;
    QTest::newRow("installer") << u"x.msi"_qs << QByteArray("\xd0\xcf\x11\xe0") << false << refused;
    QTest::newRow("no extension, a program's bytes") << u"tool"_qs << elf << true << refused;
    QTest::newRow("no extension, plain text") << u"readme"_qs << QByteArray("hello\n") << false << opener;
    QTest::newRow("folder") << u"folder/"_qs << QByteArray() << false << opener;
    QTest::newRow("web page") << u"http://example.org/a.exe"_qs << QByteArray() << false << opener;
    QTest::newRow("secure web page") << u"https://example.org/"_qs << QByteArray() << false << opener;
    QTest::newRow("another scheme") << u"steam://run/1"_qs << QByteArray() << false << refused;
    QTest::newRow("another drive") << u"C:\\x.txt"_qs << QByteArray() << false << refused;
    QTest::newRow("empty") << QString() << QByteArray() << false << refused;
}

void TestOpenDecision::openRoute() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, executable);
    QFETCH(int, route);
    QString target = name;
    if (!name.isEmpty() && !name.contains(u':')) {
        const QString host = tmp(u"o/"_qs + name);
        if (name.endsWith(u'/')) {
            QDir().mkpath(host);
        } else {
            writeFile(host, bytes);
            if (executable)
                QFile::setPermissions(host, QFile::permissions(host) | QFile::ExeOwner);
        }
        target = u'"' + win(host) + u'"';
    }
    QCOMPARE(int(platform::decideOpen(target).route), route);
}

QUMO_CORE_TEST_MAIN(TestOpenDecision)
#include "tst_opendecision.moc"
