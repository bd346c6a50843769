#pragma once
// Keeps a browser view usable when its render process dies: the page is loaded again once;
// a second death soon after shows a short notice with a button that loads it again, rather
// than leaving the view blank for the rest of the lesson.
#include <QElapsedTimer>
#include <QObject>
#include <QWebEnginePage>

class QLabel;
class QPushButton;
class QWebEngineView;
class QWidget;

class CrashRecovery : public QObject {
    Q_OBJECT
public:
    // A death within this time of the automatic reload shows the notice instead.
    static constexpr int DefaultAgainWithinMs = 30000;
    static const QString NoticeText;
    static const QString ReloadText;

    // Watches the page the view shows now; made after the view's page is set.
    explicit CrashRecovery(QWebEngineView *view);

    void setAgainWithinMs(int ms) { againWithinMs_ = ms; }

    // The notice over the view (object name "crashNotice"); hidden unless shown.
    QWidget *notice() const { return notice_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void renderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void reloadFromNotice();
    void placeNotice();

    QWebEngineView *view_;
    QWidget *notice_;
    QElapsedTimer sinceAutomaticReload_;
    int againWithinMs_ = DefaultAgainWithinMs;
};
