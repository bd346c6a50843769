// The start-up sequence: install layout, settings, save folder, starting works, start page.
#include "app/MAIN.h"
#include "app/Unit5.h"
#include "app/core/errors.h"
#include "app/core/settings.h"
#include "app/core/usagelog.h"
#include "app/windowplace.h"
#include "folders/Unit4.h"
#include "board/Unit14.h"
#include "platform/desktop.h"
#include "platform/core/fs.h"
#include "platform/core/savefile.h"
#include "platform/core/paths.h"
#include "platform/platform.h"
#include "platform/process.h"

#include <QApplication>
#include <QScreen>
#include <QToolButton>

namespace {
const QString kMwexExe = QStringLiteral("MWEX\\mwex.exe");
// Starting works are numbered from 1 up to this: LOAD + number + ".mwx".
constexpr int kStartingWorks = 100;
} // namespace

void TForm1::FormShow() {
    try {
        startupSequence();
    } catch (const std::exception &e) {
        // The sequence ends at the failing step; the window stays open.
        platform_.errorBox(this, errorText(e));
    }
}

// One run of the start-up sequence: its steps in order, and what they hand each other. A
// step that returns false ends the sequence there; an error thrown by a step ends it too.
class StartupSteps {
public:
    explicit StartupSteps(TForm1 &form) : f_(form), v_(form.v_) {}

    void run() {
        using Step = bool (StartupSteps::*)();
        static constexpr Step kSteps[] = {
            &StartupSteps::resetMediumAndDesktop,
            &StartupSteps::readProgramName,
            &StartupSteps::startFromProgramFolder,
            &StartupSteps::probeReadOnlyMedium,
            &StartupSteps::findLogoProgram,
            &StartupSteps::readSettingsFile,
            &StartupSteps::applySettings,
            &StartupSteps::pickPupil,
            &StartupSteps::forgetAnonymousName,
            &StartupSteps::placeSaveFolder,
            &StartupSteps::removeLeftoverDownloads,
            &StartupSteps::nameClipAndTitle,
            &StartupSteps::copyStartingWorks,
            &StartupSteps::startUsageRecord,
            &StartupSteps::removeOldUsageLog,
            &StartupSteps::writeMenuShape,
            &StartupSteps::tellCaptureSaveFolder,
            &StartupSteps::setHomePageUrl,
            &StartupSteps::showMenuLanguageButtons,
            &StartupSteps::openStartPage,
        };
        for (const Step step : kSteps)
            if (!(this->*step)())
                return;
        f_.startupDone_ = true;
        f_.prepareBoardAfterFirstPage();
    }

private:
    bool resetMediumAndDesktop() {
        v_.DVD = false;
        v_.DESKTOP = platform::desktopFolder() + u'\\';
        return true;
    }

    // The program's own name chooses its folder of material; a leading "_" turns DL on.
    bool readProgramName() {
        const QString programFile = v_.programFile;
        KIJUN = platform::extractFilePath(programFile);
        const QString programName = platform::extractFileName(programFile);
        v_.DL = false;
        F1 = platform::stripFileExt(programName) + u'\\';
        if (programName.startsWith(u'_')) {
            F1.remove(0, 1);
            v_.DL = true;
        }
        return true;
    }

    bool startFromProgramFolder() {
        v_.QUMOHOZONDIR = KIJUN;
        v_.RULE.clear();
        return true;
    }

    // The read-only probe, relative to the current folder. A POSIX host reports a folder
    // that is already there before it looks at permissions, so a companion folder installed
    // where this user cannot write (a package's folder, a read-only medium) would pass as
    // writable: an existing probe folder counts only when this user can write in it.
    bool probeReadOnlyMedium() {
        const QString probeFolder = platform::currentFolder() + u'\\' + F1.left(F1.size() - 1);
        const int probe = platform::createDirectory(probeFolder);
        if (probe == platform::ErrorAlreadyExists) {
            if (platform::directoryExists(probeFolder) && !platform::canWriteInFolder(probeFolder))
                v_.DVD = true;
        } else if (probe != platform::ErrorSuccess) {
            v_.DVD = true;
        }
        QApplication::processEvents();
        return true;
    }

    // Without the Logo program the window closes.
    bool findLogoProgram() {
        if (platform::fileExists(KIJUN + F1 + kMwexExe)) {
            KIJUN2 = KIJUN + F1;
        } else if (platform::fileExists(KIJUN + kMwexExe)) {
            KIJUN2 = KIJUN;
        } else {
            f_.close();
            return false;
        }
        v_.QUMOHOZONDIR = KIJUN2;
        v_.MWEXEDIR = KIJUN2 + QStringLiteral("MWEX");
        v_.RULE = KIJUN2 + QStringLiteral("MWEX\\QUMOの設定.txt");
        v_.RULEDIR = KIJUN2 + QStringLiteral("MWEX");
        v_.KANA = KIJUN2 + QStringLiteral("MWEX\\MWEx.ini");
        v_.MWEXEXE = KIJUN2 + kMwexExe;
        // A Windows Logo program's first start would create its layer's prefix: begin that
        // now, in the background.
        platform::prepareForProgram(v_.MWEXEXE);
        v_.startTime = f_.platform_.currentDateTime();
        return true;
    }

    bool readSettingsFile() {
        TT = f_.BLOAD(v_.RULE);
        return !TT.isEmpty();
    }

    // The settings in their order; an invalid number ends the sequence here.
    bool applySettings() {
        auto number = [&](const QString &tag) {
            const QString value = settings::extract(TT, tag);
            const auto n = settings::toWholeNumber(value);
            if (!n)
                throw QumoError(settings::invalidNumberMessage(value));
            return *n;
        };
        auto optionalNumber = [&](const QString &tag) -> qint32 {
            return settings::extract(TT, tag).isEmpty() ? 0 : number(tag);
        };
        // Sizes are the whole window, frame included, in the desktop's scaled pixels, and
        // are kept on the primary screen's usable area (see settings::clampExtent). The
        // Logo program's window is measured the same way.
        const QSize screenSize = desktop::available().size();
        const auto outer = [&] {
            return f_.frameSizeAskedFor().isValid() ? f_.frameSizeAskedFor()
                                                     : f_.frameGeometry().size();
        };
        f_.setFrameSize(QSize(outer().width(),
                              settings::clampExtent(number(QStringLiteral("TATE")),
                                                    settings::MinWindowHeight, screenSize.height())));
        v_.YY = settings::clampPlacedExtent(optionalNumber(QStringLiteral("MWYY")),
                                            settings::MinWindowHeight, screenSize.height());
        f_.setFrameSize(QSize(settings::clampExtent(number(QStringLiteral("YOKO")),
                                                    settings::MinWindowWidth, screenSize.width()),
                              outer().height()));
        v_.XX = settings::clampPlacedExtent(optionalNumber(QStringLiteral("MWXX")),
                                            settings::MinWindowWidth, screenSize.width());
        v_.HOME = settings::extract(TT, QStringLiteral("HOME"));
        if (v_.HOME.isEmpty() || v_.HOME.endsWith(u'/'))
            v_.HOME += QStringLiteral("index.html");
        for (int i = 0; i < int(v_.OPEN.size()); ++i)
            v_.OPEN[i] = settings::extract(TT, QStringLiteral("OPEN%1").arg(i + 1));
        f_.SpeedButton8->setVisible(settings::extract(TT, QStringLiteral("PEN")) !=
                                    QLatin1String("0"));
        v_.CLIPTAG = settings::extract(TT, QStringLiteral("CLIP"));
        f_.SpeedButton9->setVisible(v_.CLIPTAG != QLatin1String("0"));
        f_.SpeedButton10->setVisible(v_.CLIPTAG != QLatin1String("0"));
        v_.LDMW = settings::extract(TT, QStringLiteral("LOAD"));
        v_.HOZON = settings::extract(TT, QStringLiteral("NAME"));
        v_.HOZONDIR = settings::extract(TT, QStringLiteral("SAVE"));
        return true;
    }

    // The picker in roster mode; a pupil who picks no name ends the program.
    bool pickPupil() {
        v_.GAKUNEN.clear();
        v_.KUMI.clear();
        v_.SHIMEI.clear();
        if (!platform::fileExists(v_.RULEDIR + QStringLiteral("\\学年1.txt")) || !v_.DL)
            return true;
        TForm4 *picker = f_.forms_ ? f_.forms_->Form4 : nullptr;
        if (picker) {
            // The main window's whole rectangle, frame included, as asked for.
            FrameFit::of(picker)->fit(QRect(f_.pos(), f_.frameSizeAskedFor().isValid()
                                                          ? f_.frameSizeAskedFor()
                                                          : f_.frameGeometry().size()));
            picker->exec();
        }
        QApplication::processEvents();
        if (!v_.SHIMEI.isEmpty())
            return true;
        v_.GAKUNEN.clear();
        v_.KUMI.clear();
        f_.platform_.messageBeep(platform::BeepDefault);
        f_.MATE(QStringLiteral("おわりにします"), QString());
        f_.OWARI();
        return false;
    }

    bool forgetAnonymousName() {
        QApplication::processEvents();
        if (v_.SHIMEI == QStringLiteral("無名"))
            v_.SHIMEI.clear();
        return true;
    }

    bool placeSaveFolder() {
        f_.chooseSaveRoot();
        f_.findLocalHomePage(KIJUN, F1, KIJUN2);
        f_.buildSaveFolder();
        return true;
    }

    // A program killed while it wrote a file (a download, the clip) left its temporary
    // file beside the target, also in the sub-folders of extra files: gone now.
    bool removeLeftoverDownloads() {
        if (!v_.DVD)
            platform::removeLeftoverTemporaryFiles(v_.QUMOHOZON);
        return true;
    }

    bool nameClipAndTitle() {
        v_.QUMOCLIP = v_.QUMOHOZON + QStringLiteral("clip.txt");
        f_.SpeedButton7->setToolTip(QStringLiteral("左：") + v_.HOZON +
                                    QStringLiteral("フォルダ／右：今のフォルダ"));
        f_.setWindowTitle(v_.QUMOHOZON);
        return true;
    }

    bool copyStartingWorks() {
        f_.copyStartingWorks();
        return true;
    }

    bool startUsageRecord() {
        v_.CSVDATA = QStringLiteral("開始時刻=,") + usagelog::dateField(v_.startTime) + u',' +
                     usagelog::timeField(v_.startTime) + u'\r';
        return true;
    }

    bool removeOldUsageLog() {
        if (!v_.DVD && platform::fileExists(v_.QUMOHOZON + QStringLiteral("QUMODATE.csv")))
            platform::deleteFile(v_.QUMOHOZON + QStringLiteral("QUMODATE.csv"));
        return true;
    }

    bool writeMenuShape() {
        if (!v_.DVD)
            f_.MWSHAPE(v_.MWEXEDIR);
        return true;
    }

    bool tellCaptureSaveFolder() {
        if (f_.forms_ && f_.forms_->Form14)
            f_.forms_->Form14->setInitialSaveFolder(v_.QUMOHOZON);
        return true;
    }

    bool setHomePageUrl() {
        f_.setHomePageUrl();
        return true;
    }

    bool showMenuLanguageButtons() {
        f_.showMenuLanguageButtons();
        return true;
    }

    bool openStartPage() {
        f_.chooseStartPage();
        return true;
    }

    TForm1 &f_;
    QumoValues &v_;
    QString KIJUN;  // the program's folder
    QString F1;     // the material folder named after the program, with its final "\"
    QString KIJUN2; // the folder that holds MWEX
    QString TT;     // the settings file's text
};

void TForm1::startupSequence() {
    StartupSteps(*this).run();
}

void TForm1::chooseSaveRoot() {
    const QString &H = v_.HOZONDIR;
    if (H.isEmpty()) {
        if (v_.DVD)
            v_.QUMOHOZONDIR = v_.DESKTOP;
        return;
    }
    if (H == QStringLiteral("デスクトップ")) {
        v_.QUMOHOZONDIR = v_.DESKTOP;
        return;
    }
    if (H.contains(u':'))
        v_.QUMOHOZONDIR = H + u'\\';
    else
        v_.QUMOHOZONDIR = v_.QUMOHOZONDIR + H + u'\\';
    if (!platform::directoryExists(v_.QUMOHOZONDIR) &&
        !platform::forceDirectories(v_.QUMOHOZONDIR))
        v_.QUMOHOZONDIR = v_.DESKTOP;
}

void TForm1::findLocalHomePage(const QString &KIJUN, const QString &F1, const QString &KIJUN2) {
    v_.LOGO1.clear();
    for (const QString &base : {KIJUN + F1, KIJUN}) {
        for (const QString &candidate : v_.OPEN) {
            if (platform::fileExists(base + candidate)) {
                v_.KIJUNDIR = base;
                v_.LOGO1 = candidate;
                return;
            }
        }
    }
    v_.KIJUNDIR = KIJUN2;
}

void TForm1::buildSaveFolder() {
    v_.QUMOHOZON = v_.QUMOHOZONDIR + v_.HOZON + u'\\';
    if (!platform::directoryExists(v_.QUMOHOZON))
        platform::forceDirectories(v_.QUMOHOZON);
    for (const QString &level : {v_.GAKUNEN, v_.KUMI, v_.SHIMEI}) {
        if (level.isEmpty())
            continue;
        v_.QUMOHOZON += level + u'\\';
        if (!platform::directoryExists(v_.QUMOHOZON))
            platform::createDirectory(v_.QUMOHOZON);
    }
}

void TForm1::copyStartingWorks() {
    for (int n = 1; n <= kStartingWorks; ++n) {
        const QString name = v_.LDMW + QString::number(n) + QStringLiteral(".mwx");
        const QString target = v_.QUMOHOZON + name;
        const QString source = v_.MWEXEDIR + u'\\' + name;
        if (platform::fileExists(target) || !platform::fileExists(source))
            continue;
        if (platform::copyFile(source, target, true) && platform::isReadOnly(target))
            platform::setReadOnly(target, false);
    }
}

void TForm1::setHomePageUrl() {
    if (platform::fileExists(v_.KIJUNDIR + v_.LOGO1)) {
        v_.SYOKIURL = QStringLiteral("file://") + v_.KIJUNDIR + v_.LOGO1;
        return;
    }
    const qsizetype slash = v_.HOME.indexOf(u'\\');
    if (slash >= 0)
        v_.HOME = QStringLiteral("file://") + v_.KIJUNDIR + v_.HOME.mid(slash + 1);
    v_.SYOKIURL = v_.HOME;
}

void TForm1::showMenuLanguageButtons() {
    const QString kana = BLOAD(v_.KANA);
    const bool kanji = kana.contains(QStringLiteral("Kanji"));
    SpeedButton14->setVisible(kanji);
    SpeedButton13->setVisible(!kanji);
    SpeedButton13->setToolTip(QStringLiteral("マイクロワールドEX→漢字メニュー"));
    SpeedButton14->setToolTip(QStringLiteral("マイクロワールドEX→ひらがなメニュー"));
    if (v_.DVD) {
        SpeedButton13->setEnabled(false);
        SpeedButton14->setEnabled(false);
        SpeedButton13->setToolTip(QStringLiteral("マイクロワールドEX→漢字メニュー(DVD以外で可能)"));
        SpeedButton14->setToolTip(
            QStringLiteral("マイクロワールドEX→ひらがなメニュー(DVD以外で可能)"));
    }
}

void TForm1::chooseStartPage() {
    if (platform::fileExists(v_.QUMOCLIP) && v_.CLIPTAG != QLatin1String("0")) {
        v_.CLIPURL = BLOAD(v_.QUMOCLIP);
        SpeedButton9->setToolTip(QStringLiteral("左：URLをクリップ／右：クリップをクリア"));
        SpeedButton10->setVisible(true);
        SpeedButton10->setToolTip(QStringLiteral("クリップしたページを表示"));
        Navigate(v_.CLIPURL);
    } else {
        SpeedButton9->setToolTip(QStringLiteral("URLのクリップ"));
        SpeedButton10->setVisible(false);
        SpeedButton10->setToolTip(QStringLiteral("最初のページを開きます"));
        Navigate(v_.SYOKIURL);
    }
}
