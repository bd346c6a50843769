// The link command protocol: links whose URL is a command.
#include "browser/linkrunner.h"
#include "app/core/errors.h"
#include "app/guard.h"
#include "browser/core/completion.h"
#include "browser/downloader.h"
#include "browser/core/installlist.h"
#include "browser/core/origin.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimer>

using linkcmd::Action;
using linkcmd::Step;

namespace {
// The sub-folders of the Logo program's folder that hold an install list's files now.
QStringList filledFolders(const QString& MWEXEDIR, const QString& list) {
    QStringList folders;
    for (const installlist::Record& r : installlist::parse(list))
        if (installlist::staysInside(r) && !folders.contains(r.folder) &&
            platform::fileExists(MWEXEDIR + u'\\' + r.folder + u'\\' + r.file))
            folders.append(r.folder);
    return folders;
}
} // namespace

LinkCommandRunner::LinkCommandRunner(Needs needs, QObject* parent)
    : QObject(parent), n_(std::move(needs)) {}

bool LinkCommandRunner::passesRedirect(const QString&) const {
    return redirectsPass_;
}

void LinkCommandRunner::stop() {
    stopped_ = true;
    pending_.clear();
    passing_.clear();
    redirectsPass_ = false;
    n_.stopDownloads();
}

linkcmd::Context LinkCommandRunner::context() const {
    const QumoValues& v = *n_.values;
    return linkcmd::Context{v.DL, v.QUMOHOZON, v.MWEXEDIR, &platform::fileExists};
}

bool LinkCommandRunner::beforeNavigate(const QString& URL, const origin::Asking& asking) {
    if (stopped_)
        return true;
    // Any navigation asked about here is a new one: redirects of the handed-back URL are let
    // through by the page before they get here.
    redirectsPass_ = false;
    if (!passing_.isEmpty() &&
        (passing_.contains(URL) ||
         passing_.contains(platform::urlToEngine(URL).toString(QUrl::FullyEncoded)))) {
        passing_.clear();
        redirectsPass_ = true;
        return false;
    }
    const linkcmd::Context ctx = context();
    const auto shape = linkcmd::LinkShape::parse(URL);
    const auto prep = linkcmd::prepare(shape, ctx);
    const Step st = linkcmd::decide(shape, ctx);
    // The ordinary page load is the only navigation that is no command; a sub-folder to make
    // or extra files to fetch make one of it too.
    const bool command = st.action != Action::Page || !prep.subFolder.isEmpty() ||
                         prep.subFolderRefused || !prep.extras.isEmpty();
    if (!origin::commandMayAct(asking, command)) {
        ++heldBack_;
        constexpr qint64 kHeldBackBeepMs = 3000;
        if (!heldBackBeep_.isValid() || heldBackBeep_.elapsed() >= kHeldBackBeepMs) {
            heldBackBeep_.start();
            n_.platform->messageBeep(platform::BeepDefault);
        }
        return true;
    }
    if (!platform::directoryExists(ctx.QUMOHOZON))
        platform::forceDirectories(ctx.QUMOHOZON);
    // Extra files take time to fetch, and refused names get a beep: both run from the event
    // loop like any command.
    if (!prep.subFolderRefused && prep.extras.isEmpty() && st.action == Action::Page) {
        if (!prep.subFolder.isEmpty())
            platform::forceDirectories(prep.subFolder);
        if (st.showInField)
            n_.showInField(st.target);
        return false;
    }
    pending_.enqueue(URL);
    if (!running_ && !scheduled_) {
        scheduled_ = true;
        QTimer::singleShot(0, this, &LinkCommandRunner::runPending);
    }
    return true;
}

void LinkCommandRunner::runPending() {
    scheduled_ = false;
    if (running_)
        return;
    running_ = true;
    while (!pending_.isEmpty() && !stopped_) {
        const QString URL = pending_.dequeue();
        bool cancelled = true;
        // The command ends here, as an error inside an event handler would; the queue
        // behind it goes on.
        guard::run(*n_.platform, n_.owner, [&] { cancelled = run(URL); });
        if (!cancelled && !stopped_) {
            const QUrl engineUrl = platform::urlToEngine(URL);
            passing_ = QStringList{URL, platform::urlFromEngine(engineUrl),
                                   engineUrl.toString(QUrl::FullyEncoded)};
            n_.navigate(engineUrl);
        }
        emit handled(URL, cancelled);
    }
    running_ = false;
}

void LinkCommandRunner::pump() {
    QCoreApplication::processEvents();
}

void LinkCommandRunner::open(const QString& thing) {
    n_.open(thing);
}

void LinkCommandRunner::notice(const QString& line1, const QString& line2) {
    n_.notice(line1, line2);
}

bool LinkCommandRunner::run(const QString& URL) {
    const linkcmd::Context ctx = context();
    const QumoValues& v = *n_.values;
    if (!platform::directoryExists(ctx.QUMOHOZON))
        platform::forceDirectories(ctx.QUMOHOZON);
    pump();

    const auto shape = linkcmd::LinkShape::parse(URL);
    const auto prep = linkcmd::prepare(shape, ctx);
    if (!prep.subFolder.isEmpty())
        platform::forceDirectories(prep.subFolder);
    bool refused = prep.subFolderRefused;
    for (const auto& x : prep.extras) {
        if (stopped_)
            return true;
        const auto to = SaveTarget::inside(v.QUMOHOZON, x.target);
        if (x.refused || !to) {
            refused = true;
            continue;
        }
        // A program placed in the save folder could be started by a later local link: one
        // from a host that is not trusted is not fetched at all.
        if (x.target.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive) &&
            !origin::trustedProgramSource(x.source, {v.HOME, v.SYOKIURL})) {
            refused = true;
            continue;
        }
        notice(v.HOZON + QStringLiteral("にダウンロードします。"));
        pump();
        n_.CopyURL(x.source, *to);
        pump();
    }
    if (refused) // a name that would leave the save folder: skipped, and the pupil hears it
        n_.platform->messageBeep(platform::BeepDefault);

    int from = 1;
    for (;;) {
        const Step st = linkcmd::decide(shape, ctx, from);
        Outcome o = Outcome::NextRow;
        if (st.mayFallThrough()) {
            try {
                o = act(st);
            } catch (const QumoError&) {
                o = Outcome::NextRow;
            }
        } else {
            o = act(st);
        }
        // A closing window ends the handling here: nothing is handed to the browser.
        if (stopped_)
            return true;
        if (o != Outcome::NextRow)
            return o == Outcome::Cancelled;
        from = st.row + 1;
    }
}

LinkCommandRunner::Outcome LinkCommandRunner::refuse() {
    n_.platform->messageBeep(platform::BeepDefault);
    return Outcome::Cancelled;
}

std::optional<SaveTarget> LinkCommandRunner::destination(const Step& st) const {
    const QumoValues& v = *n_.values;
    if (st.action == Action::InstallListWeb)
        return SaveTarget::inside(v.MWEXEDIR + u'\\', st.MSF);
    return SaveTarget::inside(v.QUMOHOZON, st.MSF);
}

// Every file that a row fetches or copies lands where destination() lets it (the writing
// operations take nothing else); a name that would leave that folder is refused first.
LinkCommandRunner::Outcome LinkCommandRunner::act(const Step& st) {
    QumoValues& v = *n_.values;
    switch (st.action) {
    case Action::OpenOutside:
    case Action::OpenSite:
        open(st.target);
        pump();
        return Outcome::Cancelled;
    case Action::OpenFolder:
        open(st.target);
        return Outcome::Cancelled;
    case Action::FolderCopy:
        n_.DTPCOPY(st.target, st.name, st.desktopName, QString());
        return Outcome::Cancelled;
    case Action::FolderExport:
        n_.DTPCOPY(st.target, st.name, st.desktopName, v.MWEXEDIR);
        return Outcome::Cancelled;
    case Action::RefuseDesktopName:
    case Action::Beep:
        return refuse();
    case Action::InstallListWeb: {
        const auto to = destination(st);
        if (!to)
            return refuse();
        if (!fetch(st, *to))
            return Outcome::NextRow;
        const QString TCSV = n_.readText(st.MSF);
        if (!TCSV.contains(u'#') || !TCSV.contains(u'&'))
            return Outcome::NextRow; // no list: the file stays in the MWEX folder
        platform::deleteFile(st.MSF);
        n_.MWEXDL(st.target, TCSV);
        pump();
        notice(completion::installed(filledFolders(v.MWEXEDIR, TCSV)));
        return Outcome::Cancelled;
    }
    case Action::InstallListLocal: {
        const QString TCSV = n_.readText(st.MSF);
        if (!TCSV.contains(u'#') || !TCSV.contains(u'&'))
            return Outcome::NextRow;
        n_.MWEXCOPY(st.MSF, TCSV);
        notice(completion::installed(filledFolders(v.MWEXEDIR, TCSV)));
        return Outcome::Cancelled;
    }
    case Action::WorkWeb: {
        const auto to = destination(st);
        if (!to)
            return refuse();
        if (!fetch(st, *to))
            return Outcome::NextRow;
        n_.SHELLMWEXE(v.MWEXEXE, st.MSF);
        pump();
        return Outcome::Cancelled;
    }
    case Action::WorkLocal:
        n_.SHELLMWEXE(v.MWEXEXE, st.MSF);
        return Outcome::Cancelled;
    case Action::WorkLocalCopy:
        return workLocalCopy(st);
    case Action::DocumentFetch: {
        const auto to = destination(st);
        if (!to)
            return refuse();
        if (!fetch(st, *to))
            return Outcome::Uncancelled;
        notice(v.HOZON + QStringLiteral("にダウンロードして、はじめます。"));
        pump();
        open(st.MSF);
        pump();
        return Outcome::Cancelled;
    }
    case Action::DocumentOpen:
        open(st.target);
        return Outcome::Cancelled;
    case Action::ArchiveDownload: {
        const auto to = destination(st);
        if (!to)
            return refuse();
        if (!fetch(st, *to))
            return Outcome::NextRow;
        notice(v.HOZON + QStringLiteral("をすべて展開してください。"));
        pump();
        open(platform::extractFilePath(st.MSF));
        pump();
        return Outcome::Cancelled;
    }
    case Action::ArchiveOpen:
        notice(v.HOZON + QStringLiteral("ではじめます・・・"), st.name);
        open(st.target);
        pump();
        return Outcome::Cancelled;
    case Action::ProgramFetch: {
        const auto to = destination(st);
        if (!to)
            return refuse();
        if (!programMayRun(st))
            return Outcome::Cancelled; // nothing fetched, nothing started
        if (!fetch(st, *to))
            return Outcome::Uncancelled;
        notice(v.HOZON + QStringLiteral("にダウンロードして、はじめます。"));
        pump();
        n_.EXE123(st.MSF, st.arguments);
        return Outcome::Cancelled;
    }
    case Action::ProgramLocal:
        notice(v.HOZON + QStringLiteral("をはじめます・・・"), st.name);
        n_.EXE123(st.target, QString());
        pump();
        if (st.endsShell)
            n_.OWARI();
        return Outcome::Cancelled;
    case Action::Page:
        if (st.showInField)
            n_.showInField(st.target);
        return Outcome::Uncancelled;
    }
    return Outcome::Cancelled;
}

// Fetches the row's target into MSF, the windows kept live before and after.
bool LinkCommandRunner::fetch(const Step& st, const SaveTarget& to) {
    pump();
    const bool ok = n_.CopyURL(st.target, to);
    pump();
    return ok && !stopped_;
}

// A web page may link any program: one from elsewhere than the material site or the home
// page's host is only fetched when the pupil says yes (No is the default).
bool LinkCommandRunner::programMayRun(const Step& st) {
    const QumoValues& v = *n_.values;
    if (origin::trustedProgramSource(st.target, {v.HOME, v.SYOKIURL}))
        return true;
    const QString question =
        QStringLiteral("「%1」は %2 からのプログラムです。\rダウンロードして、はじめますか？")
            .arg(linkcmd::fileNameOf(st.MSF), origin::hostOf(st.target));
    return n_.platform->confirmYesNoDefaultNo(n_.owner, question);
}

// A local work in roster mode opens from the pupil's own copy in the save folder, made on
// the first click and kept afterwards.
LinkCommandRunner::Outcome LinkCommandRunner::workLocalCopy(const Step& st) {
    const QumoValues& v = *n_.values;
    QString F = st.name;
    // The file name of a "file:" URL still holds its folders ("/kyozai/game.mwx"): such a
    // name never names the pupil's copy, which is then found under the work's own name.
    if (!linkcmd::isPlainFolderName(F) || !platform::fileExists(v.QUMOHOZON + F)) {
        // A Windows path may carry "/" as well: the copy is named by the last part only, so
        // that it lands in the save folder itself.
        F = st.MSF.mid(st.MSF.lastIndexOf(QRegularExpression(QStringLiteral("[\\\\/:]"))) + 1);
        const auto to = SaveTarget::inside(v.QUMOHOZON, v.QUMOHOZON + F);
        if (!linkcmd::isPlainFolderName(F) || !to)
            return refuse();
        n_.FFCOPY(st.MSF, *to);
    }
    n_.SHELLMWEXE(v.MWEXEXE, v.QUMOHOZON + F);
    return Outcome::Cancelled;
}
