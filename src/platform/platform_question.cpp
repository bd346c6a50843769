// A Yes/No question whose safe answer is No.
#include "platform/platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace platform {

bool Platform::confirmYesNoDefaultNo(QWidget *owner, const QString &text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), shown,
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("confirmYesNoDefaultNo"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    box.adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        box.move(screen->geometry().center() - box.rect().center());
    return box.exec() == QMessageBox::Yes;
}

} // namespace platform
