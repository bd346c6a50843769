#pragma once
// The engine's page: every navigation is handed to the main window's before-navigate
// handler, with the URL in the form the shell sees and who asked for it. Pages that ask for
// a new window get a separate plain browser window of their own.
#include "browser/core/origin.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QUrl>
#include <QList>
#include <QPointer>
#include <QWebEnginePage>
#include <QWidget>

#include <functional>

class QWebEngineProfile;
class QWebEngineView;

class QumoWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    using Asking = origin::Asking;
    // Asked before every navigation; setting Cancel stops it.
    using BeforeNavigate =
        std::function<void(const QString &URL, const Asking &asking, bool &Cancel)>;
    // The kind of page at a URL (shell form).
    using Trust = std::function<origin::Asker(const QString &pageUrl)>;
    // Told the first URL of each separate window a page opens.
    using NewWindow = std::function<void(const QString &URL)>;

    // Asked about a server's redirect of the main frame before the before-navigate
    // handler; true lets it through without asking that handler.
    using RedirectPass = std::function<bool(const QString &URL)>;

    QumoWebPage(BeforeNavigate beforeNavigate, NewWindow newWindow, QObject *parent);
    ~QumoWebPage() override;

    void setRedirectPass(RedirectPass pass) { redirectPass_ = std::move(pass); }
    // Without it every page counts as trusted.
    void setTrust(Trust trust) { trust_ = std::move(trust); }

    // The pupil clicked or pressed a key in `view` (this page's view), or used a toolbar
    // button that acts on it: the navigation that follows on the same document is theirs.
    void notePupilInput();
    // Watches the view's input for notePupilInput(); call once the page is set on it.
    void watchInput(QWebEngineView *view);
    // Who asks for a navigation of the main frame now (not a typed one or a redirect).
    Asking askingNow() const;

signals:
    // After the before-navigate handler has decided.
    void navigationDecided(const QString &url, QWebEnginePage::NavigationType type,
                           bool isMainFrame, bool cancelled);
    // A page of another host asked for a window without the pupil's input: none was opened.
    void windowRefused();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    BeforeNavigate beforeNavigate_;
    NewWindow newWindow_;
    RedirectPass redirectPass_;
    Trust trust_;
    QElapsedTimer clock_;
    origin::PupilInput input_;
    // Counts the top-level documents: a main-frame navigation let through ends the one shown.
    quint64 document_ = 0;
    // Who asked for the main-frame load in progress; its server's redirects are theirs.
    Asking load_;
    // What the history had committed when that load began: a redirect that finds it
    // unchanged is the server's, one that finds a new document came from that document.
    struct CommitMark {
        int count = -1;
        int index = -1;
        QUrl url;
        QDateTime visited;
        bool operator==(const CommitMark &) const = default;
    };
    CommitMark committed() const;
    CommitMark loadMark_;
    // The windows this page opened; closed with it, before the profile goes away.
    QList<QPointer<QWidget>> windows_;
};

// A separate top-level browser window with its own history. Its navigations are its own:
// the main window only learns the URL it opens with.
class QumoBrowserWindow : public QWidget {
    Q_OBJECT
public:
    // `firstUrl` is called once with the first URL the window navigates to (shell form).
    QumoBrowserWindow(QWebEngineProfile *profile, std::function<void(const QString &)> firstUrl);

    QWebEngineView *view() const { return view_; }
    QWebEnginePage *page() const;

private:
    QWebEngineView *view_;
};

// The page of a separate browser window.
class QumoWindowPage : public QWebEnginePage {
    Q_OBJECT
public:
    QumoWindowPage(QWebEngineProfile *profile, std::function<void(const QString &)> firstUrl,
                   QObject *parent);
    ~QumoWindowPage() override;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    void report(const QUrl &url);
    std::function<void(const QString &)> firstUrl_;
    QList<QPointer<QWidget>> windows_;
};
