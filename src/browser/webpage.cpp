// The engine's page: navigations asked about, new windows opened plainly.
#include "browser/webpage.h"
#include "app/pictures.h"
#include "platform/core/paths.h"

#include <QChildEvent>
#include <QWebEngineHistory>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace {
// Tells the page of every click and key press that reaches its view's widgets, whichever
// widget the engine draws into (it makes a new one after a crash of its render process).
class InputWatcher : public QObject {
public:
    InputWatcher(QumoWebPage *page, QWidget *view) : QObject(view), page_(page) {
        watch(view);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        switch (event->type()) {
        // A link follows on the release, which may come long after the press. A page's
        // script never gets here: what it does stays inside the engine.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::TouchBegin:
        case QEvent::TouchEnd:
            page_->notePupilInput();
            break;
        case QEvent::ChildAdded:
            if (auto *w = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
                watch(w);
            break;
        default:
            break;
        }
        return false;
    }

private:
    void watch(QWidget *w) {
        w->installEventFilter(this);
        for (QWidget *child : w->findChildren<QWidget *>())
            child->installEventFilter(this);
    }
    QumoWebPage *page_;
};
} // namespace

QumoWebPage::QumoWebPage(BeforeNavigate beforeNavigate, NewWindow newWindow, QObject *parent)
    : QWebEnginePage(parent), beforeNavigate_(std::move(beforeNavigate)),
      newWindow_(std::move(newWindow)) {
    clock_.start();
}

QumoWebPage::~QumoWebPage() { qDeleteAll(windows_); }

void QumoWebPage::notePupilInput() {
    input_.atMs = clock_.elapsed();
    input_.document = document_;
}

void QumoWebPage::watchInput(QWebEngineView *view) {
    new InputWatcher(this, view);
}

QumoWebPage::CommitMark QumoWebPage::committed() const {
    const QWebEngineHistory *h = history();
    const QWebEngineHistoryItem item = h->currentItem();
    return {h->count(), h->currentItemIndex(), item.url(), item.lastVisited()};
}

QumoWebPage::Asking QumoWebPage::askingNow() const {
    Asking a;
    a.asker = trust_ ? trust_(platform::urlFromEngine(url())) : origin::Asker::TrustedPage;
    a.pupilInput = input_.counts(clock_.elapsed(), document_);
    return a;
}

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
    // Who asks: the shell for what it loads itself; for a server's redirect, whoever started
    // the load; otherwise the page shown, and the pupil if their input on it came just now.
    // The engine calls a script's navigation of a document still loading a redirect too:
    // only one that comes before anything committed is the server's.
    Asking asking;
    if (type == NavigationTypeTyped)
        asking = Asking{origin::Asker::Shell, true};
    else if (type == NavigationTypeRedirect && isMainFrame && committed() == loadMark_)
        asking = load_;
    else
        asking = askingNow();
    bool cancel = false;
    if (beforeNavigate_)
        beforeNavigate_(shellUrl, asking, cancel);
    if (isMainFrame && !cancel && !(type == NavigationTypeRedirect && committed() == loadMark_)) {
        // The document shown is on its way out: input made on it is spent.
        ++document_;
        load_ = asking;
        loadMark_ = committed();
    }
    emit navigationDecided(shellUrl, type, isMainFrame, cancel);
    return !cancel;
}

QWebEnginePage *QumoWebPage::createWindow(WebWindowType) {
    // A page of another host opens windows only on the pupil's input, so that no page
    // fetches anything into a window of its own unasked.
    const Asking asking = askingNow();
    if (asking.asker == origin::Asker::OtherPage && !asking.pupilInput) {
        emit windowRefused();
        return nullptr;
    }
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
