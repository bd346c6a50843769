#include "platform/placetold.h"
#include "platform/platform.h"

#include <QTimer>
#include <QWidget>

namespace {
// A window manager frames and places a new window within a moment of its mapping.
constexpr int kTellEveryMs = 50;
constexpr int kTellRounds = 60;
} // namespace

namespace platform {
void tellPlaceAfterShowing(QWidget *window, platform::Platform &platform) {
    auto *teller = window->findChild<QTimer *>(QStringLiteral("placeTeller"),
                                               Qt::FindDirectChildrenOnly);
    if (!teller) {
        teller = new QTimer(window);
        teller->setObjectName(QStringLiteral("placeTeller"));
        teller->setInterval(kTellEveryMs);
        QObject::connect(teller, &QTimer::timeout, window, [window, teller, &platform] {
            const int round = teller->property("round").toInt() + 1;
            teller->setProperty("round", round);
            if (!window->isVisible() || round >= kTellRounds)
                teller->stop();
            if (window->isVisible())
                platform.tellWindowItsPlace(window->winId());
        });
    }
    teller->setProperty("round", 0);
    teller->start();
    platform.tellWindowItsPlace(window->winId());
}
} // namespace platform
