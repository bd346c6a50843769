#pragma once
// The self-closing notice: stays on top, hides the pointer, closes after 2.5 seconds.
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;
namespace platform {
class Platform;
Platform &hostPlatform();
} // namespace platform

class TForm2 : public QWidget {
    Q_OBJECT
public:
    // `platform` shows the message box of an error inside its handlers.
    explicit TForm2(QWidget *parent = nullptr,
                    platform::Platform &platform = platform::hostPlatform());

    // The notice is as wide as its headline and this much more: the picture on its left and
    // a free column on its right.
    static constexpr int RoomBesideHeadline = 200;

    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QTimer *Timer1 = nullptr;

    // Shown only while a download runs, in the free column right of the headline: how far
    // it is, and a button that stops it.
    QLabel *LabelProgress = nullptr;
    QPushButton *ButtonCancel = nullptr;

    void FormShow();
    void Timer1Timer();
    // A download runs: the notice stays up until endDownload(), even past its 2.5 s, with
    // the progress and the cancel button (which calls `cancel`). Calls nest.
    void beginDownload(std::function<void()> cancel);
    void setProgressText(const QString &text);
    void endDownload();
    bool downloading() const { return downloads_ > 0; }
    // Centred over `over` the first time it is shown; afterwards it keeps its corner.
    void showOver(QWidget *over);

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void placeDownloadControls();

    int downloads_ = 0;
    std::function<void()> cancel_;
    bool placed_ = false;
    QPoint corner_; // kept by us: a window manager may report another place once it is hidden
    bool pointerHidden_ = false;
    platform::Platform &platform_;
};
