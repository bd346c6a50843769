// main(): the host platform, the program and its event loop.
#include "app/program.h"
#include "platform/core/fs.h"
#include "platform/platform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWebEngineView>
#include <cstdio>

namespace {
// Time for the first page's pictures and fonts to be drawn before the picture is taken.
constexpr int kScreenshotSettleMs = 1500;

// Headless demo runs (script/run without a display) ask for one picture of the screen once
// the first page has loaded, then close the window normally.
void screenshotWhenShown(TForm1 *form, const QString &path) {
    auto *once = new QObject(form);
    QObject::connect(form->WebBrowser1, &QWebEngineView::loadFinished, once, [form, path, once] {
        delete once;
        QTimer::singleShot(kScreenshotSettleMs, form, [form, path] {
            const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
            shot.save(path, "PNG");
            std::printf("%s\n", qPrintable(path));
            std::fflush(stdout);
            form->close();
        });
    });
}
} // namespace

int main(int argc, char **argv) {
    prepareProcess();
    platform::Platform &host = platform::hostPlatform();
    QumoApplication app(argc, argv, host);
    QumoProgram program(host, platform::programFile());
    const QString shot = qEnvironmentVariable("QUMO_DEMO_SCREENSHOT");
    if (!shot.isEmpty())
        screenshotWhenShown(program.main(), shot);
    program.main()->show();
    return app.exec();
}
