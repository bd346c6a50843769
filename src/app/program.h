#pragma once
// The program entry: the application object and the seven windows.
#include "app/MAIN.h"
#include "app/core/values.h"

#include <QApplication>

namespace platform {
class Platform;
}

// What the embedded browser and the display need before the application object exists:
// no sandbox as root, no GPU, shared GL contexts. Nobody has to export anything.
void prepareProcess();
// The design fonts of the windows mapped to an installed Japanese font.
void installFontSubstitutions();
// Qt's own Japanese texts for the standard buttons and dialogs (Yes/No, the file dialogs),
// whatever the host's locale. Once per process; false when they are not installed.
bool installJapaneseTranslations();

// The last net: the windows' handlers are connected through the guard (app/guard.h); an
// exception that still escapes an event handler is shown in a message box the same way.
class QumoApplication : public QApplication {
    Q_OBJECT
public:
    QumoApplication(int &argc, char **argv, platform::Platform &platform);
    bool notify(QObject *receiver, QEvent *event) override;

private:
    platform::Platform &platform_;
};

// Creates every window once, none visible, the main window first.
class QumoProgram {
public:
    QumoProgram(platform::Platform &platform, const QString &programFile);
    ~QumoProgram();
    QumoProgram(const QumoProgram &) = delete;
    QumoProgram &operator=(const QumoProgram &) = delete;

    QumoValues values;
    QumoForms forms;
    TForm1 *main() const { return forms.Form1; }
};
