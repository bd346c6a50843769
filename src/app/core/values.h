#pragma once
// Process-wide values of the main unit. The program entry owns one instance and hands it
// to the windows; a test builds its own.
#include <QDateTime>
#include <QString>
#include <array>

struct QumoValues {
    // Full path of the running program file, Windows form (set by the program entry).
    QString programFile;

    QString DESKTOP;      // the desktop folder, ends with "\"
    bool DL = false;      // roster mode: the program file's name begins with "_"
    bool DVD = false;     // running from a read-only medium
    QString MWEXEDIR;     // the MWEX folder, no final "\"
    QString MWEXEXE;      // MWEX\mwex.exe
    QString RULE;         // the settings file
    QString RULEDIR;      // the roster folder (same as MWEXEDIR)
    QString KANA;         // MWEX\MWEx.ini
    qint32 XX = 0;        // width of the Logo program's window; 0 or less: not placed
    qint32 YY = 0;        // its height
    QString HOME;         // the fallback home page
    std::array<QString, 5> OPEN; // OPEN1 .. OPEN5, local home page candidates
    QString KIJUNDIR;     // folder where the local home page was found, ends with "\"
    QString LOGO1;        // the local home page relative to KIJUNDIR
    QString SYOKIURL;     // the home page URL
    QString HOZON;        // the save folder's display name (settings NAME)
    QString HOZONDIR;     // settings SAVE as written
    QString QUMOHOZONDIR; // the save root, ends with "\"
    QString GAKUNEN, KUMI, SHIMEI; // grade, class and name chosen in the picker
    QString QUMOHOZON;    // the pupil's save folder, ends with "\"
    QString QUMOCLIP;     // QUMOHOZON + "clip.txt"
    QString CLIPURL;      // the clipped URL
    QString CSVDATA;      // start line of the usage log
    QString LDMW;         // name prefix of the starting works (settings LOAD)
    QString CLIPTAG;      // settings CLIP as written
    QDateTime startTime;  // taken once MWEX has been found

    int DLFLG = 0;        // outcome of the last download or copy: 1 success, 0 failure
    bool RFLG = false;    // the last press on the clip or open-work button was a right press
    int CFLG = 0;         // board button state
    int AppFLG = 0;       // failed attempts of the Logo program's start in progress
};
