// New works from the template and the Logo program's menu language.
#include "app/MAIN.h"
#include "app/guard.h"
#include "platform/core/fs.h"
#include "platform/platform.h"

#include <QToolButton>

void TForm1::connectLogoProgramButtons() {
    const guard::Guard guarded(platform_, this);
    SpeedButton6->setToolTip(QStringLiteral("新しい作品を作る"));
    connect(SpeedButton6, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton6Click));
    connect(SpeedButton13, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton13Click));
    connect(SpeedButton14, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton14Click));
}

void TForm1::SpeedButton6Click() {
    // The first free number, so gaps left by deleted works are filled again.
    int n = 1;
    QString F = QStringLiteral("NEW1.mwx");
    while (platform::fileExists(v_.QUMOHOZON + F)) {
        ++n;
        F = QStringLiteral("NEW") + QString::number(n) + QStringLiteral(".mwx");
    }
    if (const auto to = SaveTarget::inside(v_.QUMOHOZON, v_.QUMOHOZON + F))
        FFCOPY(v_.MWEXEDIR + QStringLiteral("\\NEW.mwx"), *to);
    // Started also when the copy failed: the Logo program then reports the missing work.
    SHELLMWEXE(v_.MWEXEXE, v_.QUMOHOZON + F);
}

void TForm1::SpeedButton13Click() {
    platform_.messageBeep(platform::BeepAsterisk);
    if (v_.DVD)
        return;
    BSAVE(v_.KANA, QStringLiteral("Kanji"));
    SpeedButton14->setVisible(true);
    SpeedButton13->setVisible(false);
}

void TForm1::SpeedButton14Click() {
    platform_.messageBeep(platform::BeepAsterisk);
    if (v_.DVD)
        return;
    BSAVE(v_.KANA, QStringLiteral("Hiragana"));
    SpeedButton13->setVisible(true);
    SpeedButton14->setVisible(false);
}
