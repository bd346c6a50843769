#pragma once
// The seconds left before a delayed capture, large, in a corner of the screen. It leaves the
// screen a little before the grab, so that the windows it covered have drawn themselves
// again and it is never part of the picture.
#include <QDeadlineTimer>
#include <QWidget>

class QLabel;
class QTimer;

namespace board {

class CaptureCountdown : public QWidget {
    Q_OBJECT
public:
    // Gone from the screen this long before the grab.
    static constexpr int LeaveBeforeGrabMs = 600;
    // How often the number is brought up to date.
    static constexpr int TickMs = 100;

    explicit CaptureCountdown(QWidget *parent = nullptr);

    // Shows the countdown for a grab `ms` milliseconds from now.
    void start(int ms);
    // Hides it and stops counting.
    void stop();
    // Shows the whole seconds left for `remainingMs`, or leaves the screen when the grab is
    // near. Called by the countdown's own timer; tests call it with the time they want.
    void showRemaining(int remainingMs);

    QLabel *number() const { return number_; }

private:
    void placeInCorner();

    QLabel *number_ = nullptr;
    QTimer *tick_ = nullptr;
    QDeadlineTimer deadline_;
};

} // namespace board
