#pragma once
// The engine's page: every navigation is handed to the main window's before-navigate
// handler, with the URL in the form the shell sees. Pages that ask for a new window get a
// separate plain browser window of their own.
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
    // Asked before every navigation; setting Cancel stops it.
    using BeforeNavigate = std::function<void(const QString &URL, bool &Cancel)>;
    // Told the first URL of each separate window a page opens.
    using NewWindow = std::function<void(const QString &URL)>;

    // Asked about a server's redirect of the main frame before the before-navigate
    // handler; true lets it through without asking that handler.
    using RedirectPass = std::function<bool(const QString &URL)>;

    QumoWebPage(BeforeNavigate beforeNavigate, NewWindow newWindow, QObject *parent);
    ~QumoWebPage() override;

    void setRedirectPass(RedirectPass pass) { redirectPass_ = std::move(pass); }

signals:
    // After the before-navigate handler has decided.
    void navigationDecided(const QString &url, QWebEnginePage::NavigationType type,
                           bool isMainFrame, bool cancelled);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    BeforeNavigate beforeNavigate_;
    NewWindow newWindow_;
    RedirectPass redirectPass_;
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
