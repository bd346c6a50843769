#pragma once
// Shared test fixtures: temp install layouts, a recording platform, the test main.
#include "platform/platform.h"
#include "support/coresupport.h"
#include "support/eventwait.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// Prepares the process like the program entry does (browser engine without sandbox and
// GPU, shared GL contexts); call before the application object exists.
void prepareTestProcess();

// A platform that records what cannot be done for real here (beeps, documents opened
// with their associated program, error boxes) and otherwise acts like the host's.
class RecordingPlatform : public platform::Platform {
public:
    void messageBeep(unsigned type) override { beeps.append(type); }
    bool shellOpen(const QString &target, const QString &parameters,
                   const QString &folder) override {
        opened.append(target);
        openedParameters.append(parameters);
        openedFolders.append(folder);
        return true;
    }
    void errorBox(QWidget *, const QString &text) override { errors.append(text); }

    QList<unsigned> beeps;
    QStringList opened, openedParameters, openedFolders;
    QStringList errors;

    // ---- the Logo program: started for real, placed for real, recorded on the way ----
    qint64 startProgram(const QString &file, const QString &parameters,
                        const QString &folder) override {
        const qint64 pid = platform::Platform::startProgram(file, parameters, folder);
        started.append(pid);
        return pid;
    }
    void terminateProcess(qint64 pid) override {
        terminated.append(pid);
        platform::Platform::terminateProcess(pid);
    }
    void placeWindow(quint64 window, const QRect &outer) override {
        placed.append(window);
        placedRects.append(outer);
        platform::Platform::placeWindow(window, outer);
    }
    void bringToFront(quint64 window) override {
        fronted.append(window);
        platform::Platform::bringToFront(window);
    }
    void messageBox(QWidget *, const QString &text) override { messages.append(text); }

    QList<qint64> started, terminated;
    QList<quint64> placed, fronted;
    QList<QRect> placedRects;
    QStringList messages;
};

// The path of the built stand-in Logo program.
QString standinExe();

// Lays out an install: `programDir`/`programName` (an empty file standing for the program)
// and `mwexDir`/MWEX with the stand-in, a settings file in CP932 and MWEx.ini.
struct InstallLayout {
    QString root;        // host path of the folder that holds the program file
    QString programFile; // Windows path of the program file
    QString mwexDir;     // host path of the MWEX folder
};
InstallLayout makeInstall(const QString &root, const QString &programName, bool companion,
                          const QString &settingsText, const QString &menuWord = "Hiragana");

} // namespace testsupport

// A test main that prepares the process first.
#define QUMO_TEST_MAIN(TestObject)                                                         \
    int main(int argc, char **argv) {                                                      \
        testsupport::prepareTestProcess();                                                 \
        QApplication app(argc, argv);                                                      \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                           \
        TestObject tc;                                                                     \
        QTEST_SET_MAIN_SOURCE_PATH                                                         \
        return QTest::qExec(&tc, argc, argv);                                              \
    }
