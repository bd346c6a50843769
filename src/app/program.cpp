// The application object (the last net for errors) and the program of seven windows.
#include "app/program.h"
#include "app/Unit2.h"
#include "app/Unit5.h"
#include "app/core/errors.h"
#include "app/guard.h"
#include "board/Unit14.h"
#include "board/Unit16.h"
#include "board/Unit25.h"
#include "folders/Unit4.h"
#include "platform/platform.h"

#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QQuickWindow>
#include <QTranslator>
#include <unistd.h>

void prepareProcess() {
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--disable-gpu"))
        flags += " --disable-gpu";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    // The engine draws its pages without a GPU; composing them through OpenGL as well only
    // adds a GL context, which on PCs without a GPU driver (and on Xvfb) is Mesa's software
    // rasteriser at several times the processor time of the software scene graph. Chosen for
    // this process only (the programs the shell starts keep their own); a backend chosen in
    // the environment still wins.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND") &&
        !qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void installFontSubstitutions() {
    const QStringList families = QFontDatabase::families();
    QString japanese;
    for (const char *candidate : {"Noto Sans CJK JP", "IPAGothic", "IPAexGothic", "Noto Sans JP"}) {
        if (families.contains(QLatin1String(candidate))) {
            japanese = QLatin1String(candidate);
            break;
        }
    }
    if (japanese.isEmpty())
        return;
    for (const QString &design : {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("ＭＳ Ｐゴシック"),
                                  QStringLiteral("MS UI Gothic"), QStringLiteral("Tahoma")})
        QFont::insertSubstitution(design, japanese);
    QFont f = QApplication::font();
    f.setFamilies({f.family(), japanese});
    QApplication::setFont(f);
}

bool installJapaneseTranslations() {
    static QTranslator *installed = nullptr;
    if (installed)
        return true;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

QumoApplication::QumoApplication(int &argc, char **argv, platform::Platform &platform)
    : QApplication(argc, argv), platform_(platform) {
    setApplicationName(QStringLiteral("QUMO"));
    setApplicationVersion(QStringLiteral(QUMO_VERSION));
    installFontSubstitutions();
}

bool QumoApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        platform_.errorBox(activeWindow(), errorText(e));
    } catch (...) {
        platform_.errorBox(activeWindow(), guard::unknownErrorText());
    }
    return false;
}

QumoProgram::QumoProgram(platform::Platform &platform, const QString &programFile) {
    values.programFile = programFile;
    installJapaneseTranslations();
    forms.Form1 = new TForm1(values, platform);
    forms.Form25 = new TForm25(values, platform);
    forms.Form14 = new TForm14(platform);
    forms.Form16 = new TForm16();
    forms.Form2 = new TForm2(nullptr, platform);
    forms.Form4 = new TForm4(values, forms.Form1);
    forms.Form5 = new TForm5(platform);
    forms.Form1->setForms(&forms);
    TForm1 *main = forms.Form1;
    forms.Form14->openWorkFolder = [main] { return main->openWorkDialogFolder(); };
    forms.Form14->pupilFolder = [main] { return main->values().QUMOHOZON; };
    forms.Form14->notice = [main](const QString &S1, const QString &S2) { main->MATE(S1, S2); };
    forms.Form25->setForms(&forms);
}

QumoProgram::~QumoProgram() {
    delete forms.Form5;
    delete forms.Form4;
    delete forms.Form2;
    delete forms.Form16;
    delete forms.Form14;
    delete forms.Form25;
    delete forms.Form1;
}
