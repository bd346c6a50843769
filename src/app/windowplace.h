#pragma once
// Whole windows, frame included, on the primary screen; and every window above the main one.
#include <QMargins>
#include <QObject>
#include <QRect>

class QTimer;
class QWidget;

// Keeps a top-level window's whole rectangle, frame included, where it was asked to be
// (scaled pixels). A window manager frames a window only after it is mapped, and the
// toolkit sizes only the inside, so the inside is made good again whenever the frame
// changes (on the window's moves, and for a short while after each request).
class FrameFit : public QObject {
public:
    // The fit of `window`, made on first use.
    static FrameFit *of(QWidget *window);
    void fit(const QRect &outer);
    const QRect &asked() const { return asked_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FrameFit(QWidget *window);
    void apply();

    QWidget *window_;
    QRect asked_;
    QMargins fitted_{-1, -1, -1, -1};
    QTimer *watch_ = nullptr;
    int rounds_ = 0;
};
