// The engine's page: navigations asked about, new windows opened plainly.
#include "browser/webpage.h"
#include "app/pictures.h"
#include "platform/paths.h"

#include <QVBoxLayout>
#include <QWebEngineView>

QumoWebPage::QumoWebPage(BeforeNavigate beforeNavigate, NewWindow newWindow, QObject *parent)
    : QWebEnginePage(parent), beforeNavigate_(std::move(beforeNavigate)),
      newWindow_(std::move(newWindow)) {}

QumoWebPage::~QumoWebPage() { qDeleteAll(windows_); }

bool QumoWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type,
                                          bool isMainFrame) {
    // A reload shows the same document again; it is not a new navigation for the shell.
    if (type == NavigationTypeReload)
        return true;
    // Frames, scripts, typed URLs, history and redirects alike.
    const QString shellUrl = platform::urlFromEngine(url);
    if (type == NavigationTypeRedirect && isMainFrame && redirectPass_ && redirectPass_(shellUrl)) {
        emit navigationDecided(shellUrl, type, isMainFrame, false);
        return true;
    }
    bool cancel = false;
    if (beforeNavigate_)
        beforeNavigate_(shellUrl, cancel);
    emit navigationDecided(shellUrl, type, isMainFrame, cancel);
    return !cancel;
}

QWebEnginePage *QumoWebPage::createWindow(WebWindowType) {
    auto *w = new QumoBrowserWindow(profile(), newWindow_);
    windows_.append(w);
    w->show();
    return w->page();
}

QumoBrowserWindow::QumoBrowserWindow(QWebEngineProfile *profile,
                                     std::function<void(const QString &)> firstUrl)
    : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("BrowserWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(picture("window"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QWebEngineView(this);
    view_->setObjectName(QStringLiteral("BrowserView"));
    layout->addWidget(view_);
    auto *page = new QumoWindowPage(profile, std::move(firstUrl), view_);
    view_->setPage(page);
    connect(page, &QWebEnginePage::titleChanged, this, &QWidget::setWindowTitle);
    connect(page, &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    // A script that opened the window with a size gets it.
    connect(page, &QWebEnginePage::geometryChangeRequested, this,
            [this](const QRect &g) { setGeometry(g); });
    resize(800, 600);
}

QWebEnginePage *QumoBrowserWindow::page() const { return view_->page(); }

QumoWindowPage::QumoWindowPage(QWebEngineProfile *profile,
                               std::function<void(const QString &)> firstUrl, QObject *parent)
    : QWebEnginePage(profile, parent), firstUrl_(std::move(firstUrl)) {
    // Some openings commit without asking first (a script writing into a blank window).
    connect(this, &QWebEnginePage::urlChanged, this, &QumoWindowPage::report);
}

QumoWindowPage::~QumoWindowPage() { qDeleteAll(windows_); }

void QumoWindowPage::report(const QUrl &url) {
    if (!firstUrl_ || url.isEmpty())
        return;
    auto callback = std::move(firstUrl_);
    firstUrl_ = nullptr;
    callback(platform::urlFromEngine(url));
}

bool QumoWindowPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) {
    if (isMainFrame)
        report(url);
    return true;
}

QWebEnginePage *QumoWindowPage::createWindow(WebWindowType) {
    auto *w = new QumoBrowserWindow(profile(), nullptr);
    windows_.append(w);
    w->show();
    return w->page();
}
