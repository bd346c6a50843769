// Reloading a view whose render process died; the notice after a second death.
#include "browser/crashrecovery.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineView>

const QString CrashRecovery::NoticeText = QStringLiteral("ページが うごかなくなりました。");
const QString CrashRecovery::ReloadText = QStringLiteral("もういちど ひらく");

CrashRecovery::CrashRecovery(QWebEngineView *view) : QObject(view), view_(view) {
    setObjectName(QStringLiteral("crashRecovery"));
    notice_ = new QWidget(view);
    notice_->setObjectName(QStringLiteral("crashNotice"));
    notice_->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(notice_);
    auto *label = new QLabel(NoticeText, notice_);
    label->setObjectName(QStringLiteral("crashNoticeText"));
    QFont big = label->font();
    big.setPointSize(big.pointSize() + 6);
    label->setFont(big);
    label->setAlignment(Qt::AlignCenter);
    auto *button = new QPushButton(ReloadText, notice_);
    button->setObjectName(QStringLiteral("crashNoticeReload"));
    button->setFont(big);
    button->setMinimumHeight(48);
    layout->addStretch();
    layout->addWidget(label);
    layout->addWidget(button, 0, Qt::AlignHCenter);
    layout->addStretch();
    notice_->hide();
    connect(button, &QPushButton::clicked, this, &CrashRecovery::reloadFromNotice);
    view->installEventFilter(this);

    QWebEnginePage *page = view->page();
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            &CrashRecovery::renderProcessTerminated);
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (ok)
            notice_->hide();
    });
}

bool CrashRecovery::eventFilter(QObject *watched, QEvent *event) {
    if (watched == view_ && event->type() == QEvent::Resize && notice_->isVisible())
        placeNotice();
    return QObject::eventFilter(watched, event);
}

void CrashRecovery::placeNotice() {
    notice_->setGeometry(view_->rect());
    notice_->raise();
}

void CrashRecovery::renderProcessTerminated(
    QWebEnginePage::RenderProcessTerminationStatus status) {
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    // Loading again brings up a new render process. A page that kills it again and again
    // would otherwise keep the view busy forever, so only once in a while.
    const bool again =
        sinceAutomaticReload_.isValid() && sinceAutomaticReload_.elapsed() < againWithinMs_;
    if (!again) {
        sinceAutomaticReload_.start();
        view_->reload();
        return;
    }
    placeNotice();
    notice_->show();
}

void CrashRecovery::reloadFromNotice() {
    notice_->hide();
    sinceAutomaticReload_.invalidate();
    view_->reload();
}
