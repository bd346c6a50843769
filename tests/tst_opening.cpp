// Opening saved works through the open dialog, starting programs, copying and exporting
// material folders to the desktop.
#include "app/Unit2.h"
#include "app/program.h"
#include "browser/linkrunner.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "support/httpserver.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QProgressDialog>
#include <QtTest>
#include <memory>
#include <unistd.h>

using namespace testsupport;

namespace {

const QString kSettings = u"<TATE>600</TATE>\r\n<YOKO>800</YOKO>\r\n"
                          "<HOME>http://example.org/logo/</HOME>\r\n<OPEN1>index.html</OPEN1>\r\n"
                          "<NAME>さくひん</NAME>\r\n<SAVE></SAVE>\r\n"_qs;

// Records like the recording platform; starts programs for real when asked to, and answers
// the Yes/No question as the test says.
class OpeningPlatform : public RecordingPlatform {
public:
    bool realShell = false;
    bool refuse = false; // the desktop has nothing to open it with
    bool answer = true;
    QStringList questions;
    bool shellOpen(const QString &target, const QString &parameters,
                   const QString &folder) override {
        RecordingPlatform::shellOpen(target, parameters, folder);
        if (refuse)
            return false;
        return realShell ? platform::Platform::shellOpen(target, parameters, folder) : true;
    }
    bool confirmYesNo(QWidget *, const QString &text) override {
        questions.append(text);
        return answer;
    }
};

struct DialogSeen {
    bool shown = false;
    QString directory, title;
    QStringList filters;
    QString filter;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool preview = false;
    bool sidebarHidden = false;
};

QStringList filesBelow(const QString &root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(root).relativeFilePath(it.next()));
    out.sort();
    return out;
}

// The fields of the stand-in's last log line: pid, working folder, count, arguments.
QStringList lastLogLine(const QString &log) {
    const QList<QByteArray> lines = readFile(log).trimmed().split('\n');
    return QString::fromUtf8(lines.last()).split(u'\t');
}

} // namespace

class TestOpening : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void exe123_data();
    void exe123();

    void dialogStartFolder_data();
    void dialogStartFolder();
    void previewShowsPictures();
    void detailColumnsFit();
    void documentThenWork();
    void severalWorksOnlyFirst();
    void workWithoutLogoProgramOpensWithItsProgram();
    void pageOpensInTheBrowser();
    void programStarts_data();
    void programStarts();
    void readOnlyMarkCleared();

    void desktopQuestion_data();
    void desktopQuestion();
    void desktopCopyMergesAndReplaces();
    void desktopCopyWholeOrNothing_data();
    void desktopCopyWholeOrNothing();
    void exportPackageIsAnInstallLayout();
    void desktopNameCannotLeaveTheDesktop();
    void confirmationBox_data();
    void confirmationBox();
    void deadClickBeepsAndSays_data();
    void deadClickBeepsAndSays();
    void enterInUrlFieldGoes();

    void documentThatLooksLikeAProgramIsOnlyOpened();
    void exportLeavesTheRosterBehind();
    void doneNotices_data();
    void doneNotices();
    void installListSaysWhereItWent();
    void copyProgressText_data();
    void copyProgressText();

private:
    QString tmp(const QString &rel) const { return dir_->path() + u'/' + rel; }
    TForm1 *form() const { return program_->main(); }
    // Answers the next open dialog: `names` typed into its name field and accepted, or the
    // dialog cancelled when `names` is empty.
    void answerDialog(const QString &names);

    std::unique_ptr<QTemporaryDir> dir_;
    // One copy of the built program for the whole suite, linked into each case's install.
    std::unique_ptr<QTemporaryDir> programCopy_;
    std::unique_ptr<OpeningPlatform> platform_;
    std::unique_ptr<QumoProgram> program_;
    InstallLayout layout_;
    DialogSeen seen_;
    QString savedCurrent_;
};

void TestOpening::initTestCase() {
    QApplication::setQuitOnLastWindowClosed(false);
    // The program is tens of megabytes: copied for every case, it left a gigabyte to write
    // back that the desktop copy's sync then waited for.
    programCopy_ = std::make_unique<QTemporaryDir>();
    QVERIFY(programCopy_->isValid());
    QVERIFY(QFile::copy(QStringLiteral(QUMO_PROGRAM_EXE), programCopy_->filePath(u"QUMOG.x86_64"_qs)));
}

void TestOpening::cleanupTestCase() {
    programCopy_.reset();
}

void TestOpening::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    platform_ = std::make_unique<OpeningPlatform>();
    qputenv("HOME", tmp(u"home"_qs).toUtf8());
    qputenv("XDG_CONFIG_HOME", tmp(u"home/.config"_qs).toUtf8());
    QDir().mkpath(tmp(u"home/Desktop"_qs));
    QDir().mkpath(tmp(u"cwd"_qs));
    savedCurrent_ = QDir::currentPath();
    QDir::setCurrent(tmp(u"cwd"_qs));
    // The program is the real one, so an export carries a program that can start.
    layout_ = makeInstall(tmp(u"inst"_qs), u"QUMOG.x86_64"_qs, true, kSettings);
    QFile::remove(tmp(u"inst/QUMOG.x86_64"_qs));
    const QString program = programCopy_->filePath(u"QUMOG.x86_64"_qs);
    const QString installed = tmp(u"inst/QUMOG.x86_64"_qs);
    QVERIFY(::link(QFile::encodeName(program).constData(), QFile::encodeName(installed).constData()) == 0 ||
            QFile::copy(program, installed));
    writeFile(tmp(u"inst/QUMOG/index.html"_qs), "<html>home</html>");
    program_ = std::make_unique<QumoProgram>(*platform_, layout_.programFile);
    // The engine tells the window of the finished start page (which writes the URL field
    // then) apart from the end of loading, and on a busy machine later: waited for, so that
    // it no longer writes the field behind a test's back (inside a dialog's event loop).
    bool startPageTold = false;
    QObject listening; // the connection ends with this scope, however it is left
    connect(form()->WebBrowser1->page(), &QWebEnginePage::loadingChanged, &listening,
        [&startPageTold](const QWebEngineLoadingInfo &i) {
            if (i.status() == QWebEngineLoadingInfo::LoadSucceededStatus &&
                i.url().path().endsWith(u"index.html"_qs))
                startPageTold = true;
        });
    form()->FormShow();
    QVERIFY2(form()->startupDone(), qPrintable(platform_->errors.join(u'\n')));
    QTRY_VERIFY_WITH_TIMEOUT(startPageTold && !form()->WebBrowser1->page()->isLoading(), 20000);
    // The Logo program's window is not placed: it is simply started.
    program_->values.XX = 0;
    program_->values.YY = 0;
    program_->values.DESKTOP = win(tmp(u"desk"_qs)) + u'\\';
    QDir().mkpath(tmp(u"desk"_qs));
    seen_ = DialogSeen();
}

void TestOpening::cleanup() {
    if (program_ && program_->forms.Form2->isVisible())
        program_->forms.Form2->Timer1Timer();
    if (program_)
        form()->Timer2->stop();
    program_.reset();
    QDir::setCurrent(savedCurrent_);
    dir_.reset();
}

void TestOpening::answerDialog(const QString &names) {
    auto *poll = new QTimer(this);
    auto ticks = std::make_shared<int>(0);
    connect(poll, &QTimer::timeout, this, [this, poll, names, ticks] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto finish = [poll] {
            poll->stop();
            poll->deleteLater();
        };
        if ((*ticks)++ == 0) {
            seen_.shown = true;
            seen_.directory = dialog->directory().absolutePath();
            seen_.title = dialog->windowTitle();
            seen_.filters = dialog->nameFilters();
            seen_.filter = dialog->selectedNameFilter();
            seen_.mode = dialog->fileMode();
            seen_.preview = dialog->findChild<QLabel *>(u"picturePreview"_qs) != nullptr;
            auto *sidebar = dialog->findChild<QWidget *>(u"sidebar"_qs);
            seen_.sidebarHidden = !sidebar || sidebar->isHidden();
            if (names.isEmpty()) {
                finish();
                dialog->reject();
                return;
            }
            // The pupil picks "すべて" to see every file.
            dialog->selectNameFilter(dialog->nameFilters().value(1));
            return;
        }
        // The pupil clicks the files in the list one after the other (with Ctrl held); the
        // folder's listing arrives in the background, so this repeats until the dialog
        // reports exactly them, in that order.
        QStringList expected;
        for (const QString &n : names.split(u'"', Qt::SkipEmptyParts))
            if (!n.trimmed().isEmpty())
                expected.append(dialog->directory().absoluteFilePath(n));
        auto *view = dialog->findChild<QAbstractItemView *>(u"listView"_qs);
        auto *model = view ? qobject_cast<QFileSystemModel *>(view->model()) : nullptr;
        if (model) {
            view->selectionModel()->clearSelection();
            for (const QString &path : expected)
                view->selectionModel()->select(model->index(path), QItemSelectionModel::Select |
                                                                       QItemSelectionModel::Rows);
        }
        QPushButton *open =
            dialog->findChild<QDialogButtonBox *>(u"buttonBox"_qs)->button(QDialogButtonBox::Open);
        if (open && open->isEnabled() && dialog->selectedFiles() == expected) {
            finish();
            open->click();
        } else if (*ticks > 500) {
            finish();
            dialog->reject(); // never left blocking; the test's checks then fail
        }
    });
    poll->start(20);
}

// ---- starting programs ----

void TestOpening::exe123_data() {
    QTest::addColumn<QString>("suffix"); // appended to the program's path
    QTest::addColumn<QString>("f2");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("extra"); // arguments after the first two
    const QString page = u"http://example.org/logo/page 1.html"_qs;
    QTest::newRow("no arguments") << QString() << QString() << page << QStringList();
    QTest::newRow("link arguments")
        << QString() << u"data.txt"_qs << page << QStringList{u"data.txt"_qs};
    QTest::newRow("plus arguments replace the second")
        << u"+a.txt b.txt"_qs << u"ignored"_qs << page << QStringList{u"a.txt"_qs, u"b.txt"_qs};
    QTest::newRow("empty URL field gives an empty argument")
        << QString() << u"x"_qs << QString() << QStringList{u"x"_qs};
    QTest::newRow("quoted argument keeps its blank")
        << QString() << u"\"my file.txt\" y"_qs << page << QStringList{u"my file.txt"_qs, u"y"_qs};
}

void TestOpening::exe123() {
    QFETCH(QString, suffix);
    QFETCH(QString, f2);
    QFETCH(QString, url);
    QFETCH(QStringList, extra);
    // The stand-in logs its start beside itself and leaves at once.
    const QString folder = tmp(u"tools 道具"_qs);
    QDir().mkpath(folder);
    QVERIFY(QFile::copy(standinExe(), folder + u"/tool.exe"_qs));
    writeFile(folder + u"/mwex.cfg"_qs, "exit=1\n");
    platform_->realShell = true;
    form()->Edit2->setText(url);

    form()->EXE123(win(folder + u"/tool.exe"_qs) + suffix, f2);

    QCOMPARE(platform_->opened, QStringList{u'"' + win(folder + u"/tool.exe"_qs) + u'"'});
    QCOMPARE(platform_->openedFolders, QStringList{win(folder) + u'\\'});
    const QString log = folder + u"/mwex.log"_qs;
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(log) && readFile(log).endsWith('\n'), 20000);
    const QStringList fields = lastLogLine(log);
    QCOMPARE(fields.value(1), folder);
    const QStringList args = fields.mid(3);
    QCOMPARE(fields.value(2).toInt(), 2 + extra.size());
    // A path may reach a native program in this host's form; compare in one form.
    QCOMPARE(platform::fromHost(args.value(0)), layout_.programFile);
    QCOMPARE(args.value(1), url);
    QCOMPARE(args.mid(2), extra);
}

// ---- the open dialog ----

void TestOpening::dialogStartFolder_data() {
    QTest::addColumn<bool>("right");
    QTest::newRow("left button: the save folder") << false;
    QTest::newRow("right button: the material's folder") << true;
}

void TestOpening::dialogStartFolder() {
    QFETCH(bool, right);
    program_->values.RFLG = right;
    answerDialog(QString());
    const QString navigatedBefore = form()->lastNavigation();
    const int startedBefore = int(platform_->started.size());
    form()->SpeedButton7MouseUp(nullptr);
    QVERIFY(seen_.shown);
    const QString expected =
        platform::toHost(right ? program_->values.KIJUNDIR : program_->values.QUMOHOZON);
    QCOMPARE(seen_.directory + u'/', expected);
    QCOMPARE(seen_.title, u"マイクロワールドEXの作品"_qs);
    QCOMPARE(seen_.filters, (QStringList{u"LOGOの作品 (*.mw*)"_qs, u"すべて (*)"_qs}));
    QCOMPARE(seen_.filter, u"LOGOの作品"_qs); // shown without its pattern
    QCOMPARE(seen_.mode, QFileDialog::ExistingFiles);
    QVERIFY(seen_.preview);
    QVERIFY(seen_.sidebarHidden);
    // Cancelled: nothing opens, nothing starts, the browser stays where it was.
    QVERIFY(platform_->opened.isEmpty());
    QCOMPARE(platform_->started.size(), startedBefore);
    QCOMPARE(form()->lastNavigation(), navigatedBefore);
}

void TestOpening::detailColumnsFit() {
    // With the Japanese headers the detail view's columns must each show their heading whole
    // and together fit the view, with files of every column listed.
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    writeFile(save + u"とても長い名前のさくひんファイルです.mwx"_qs, QByteArray(123456, 'x'));
    writeFile(save + u"b.mwx"_qs, "b");
    QStringList problems;
    bool checked = false;
    int ticks = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->setViewMode(QFileDialog::Detail);
        auto *tree = dialog->findChild<QTreeView *>(u"treeView"_qs);
        if (++ticks > 500 || !tree) {
            dialog->reject();
            return;
        }
        auto *model = qobject_cast<QFileSystemModel *>(tree->model());
        // Waits until the listing has arrived and the view is laid out on screen.
        if (!model || !tree->isVisible() || model->rowCount(tree->rootIndex()) < 2)
            return;
        QHeaderView *header = tree->header();
        const QFontMetrics fm(header->font());
        const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        problems.clear();
        int total = 0;
        for (int i = 0; i < header->count(); ++i) {
            if (header->isSectionHidden(i))
                continue;
            const QString text = model->headerData(i, Qt::Horizontal).toString();
            const int need = fm.horizontalAdvance(text) + margin;
            if (header->sectionSize(i) < need)
                problems << u"%1: %2 < %3"_qs.arg(text).arg(header->sectionSize(i)).arg(need);
            // The contents (the long size, the date) are not cut either, except the name,
            // which gives way and elides.
            int contents = 0;
            for (int r = 0; r < model->rowCount(tree->rootIndex()); ++r)
                contents = qMax(contents,
                                tree->sizeHintForIndex(model->index(r, i, tree->rootIndex())).width());
            if (i > 0 && header->sectionSize(i) < contents)
                problems << u"%1 contents: %2 < %3"_qs.arg(text)
                                .arg(header->sectionSize(i))
                                .arg(contents);
            total += header->sectionSize(i);
        }
        if (total > tree->viewport()->width())
            problems << u"total %1 > view %2"_qs.arg(total).arg(tree->viewport()->width());
        // The translation is loaded: the first heading is not the English one.
        if (model->headerData(0, Qt::Horizontal).toString() == u"Name"_qs)
            problems << u"headers are in English"_qs;
        // The columns settle after the listing arrives and the layout follows: the check is
        // repeated until it holds or the time is up.
        if (!problems.isEmpty() && ticks < 400)
            return;
        checked = true;
        dialog->reject();
    });
    poll.start(20);
    form()->HIRAKU();
    poll.stop();
    QVERIFY(checked);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u"; "_qs)));
}

void TestOpening::previewShowsPictures() {
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(save + u"pic.png"_qs));
    writeFile(save + u"note.mwx"_qs, "not a picture");
    bool sawPicture = false, clearedForOther = false;
    int ticks = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *preview = dialog->findChild<QLabel *>(u"picturePreview"_qs);
        if (++ticks > 500 || !preview) {
            dialog->reject();
            return;
        }
        // The pupil moves through the list: first onto the picture, then onto the work.
        auto *view = dialog->findChild<QAbstractItemView *>(u"listView"_qs);
        auto *model = view ? qobject_cast<QFileSystemModel *>(view->model()) : nullptr;
        if (!model)
            return;
        if (!sawPicture) {
            dialog->selectNameFilter(dialog->nameFilters().value(1));
            view->setCurrentIndex(model->index(save + u"pic.png"_qs));
            sawPicture = !preview->pixmap().isNull();
        } else {
            view->setCurrentIndex(model->index(save + u"note.mwx"_qs));
            clearedForOther = preview->pixmap().isNull();
            if (clearedForOther)
                dialog->reject();
        }
    });
    poll.start(20);
    form()->HIRAKU();
    poll.stop();
    QVERIFY(sawPicture);
    QVERIFY(clearedForOther);
    QVERIFY(platform_->opened.isEmpty());
}

void TestOpening::documentThenWork() {
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    writeFile(save + u"doc.txt"_qs, "text");
    writeFile(save + u"game.mwx"_qs, "work");
    writeFile(save + u"after.txt"_qs, "text");
    answerDialog(u"\"doc.txt\" \"game.mwx\" \"after.txt\""_qs);
    form()->HIRAKU();
    QVERIFY(seen_.shown);
    const QString v = program_->values.QUMOHOZON;
    // The document opens with its program, then the work starts in the Logo program;
    // the file after the work is left alone.
    QCOMPARE(platform_->opened,
             (QStringList{u'"' + v + u"doc.txt\""_qs, u'"' + program_->values.MWEXEXE + u'"'}));
    QCOMPARE(platform_->openedParameters.value(1), u'"' + v + u"game.mwx\""_qs);
}

void TestOpening::severalWorksOnlyFirst() {
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    writeFile(save + u"a.mwx"_qs, "a");
    writeFile(save + u"b.mwx"_qs, "b");
    platform::deleteFile(program_->values.MWEXEXE); // works then open with their program
    answerDialog(u"\"a.mwx\" \"b.mwx\""_qs);
    form()->HIRAKU();
    QCOMPARE(platform_->opened, QStringList{u'"' + program_->values.QUMOHOZON + u"a.mwx\""_qs});
}

void TestOpening::workWithoutLogoProgramOpensWithItsProgram() {
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    writeFile(save + u"w.mwx"_qs, "w");
    platform::deleteFile(program_->values.MWEXEXE);
    answerDialog(u"w.mwx"_qs);
    form()->HIRAKU();
    QCOMPARE(platform_->opened, QStringList{u'"' + program_->values.QUMOHOZON + u"w.mwx\""_qs});
    QCOMPARE(platform_->openedParameters, QStringList{QString()});
    QCOMPARE(platform_->openedFolders, QStringList{QString()});
}

void TestOpening::pageOpensInTheBrowser() {
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    writeFile(save + u"page.HTM"_qs, "<html></html>");
    writeFile(save + u"w.mwx"_qs, "w");
    answerDialog(u"\"page.HTM\" \"w.mwx\""_qs);
    form()->HIRAKU();
    QCOMPARE(form()->lastNavigation(), program_->values.QUMOHOZON + u"page.HTM"_qs);
    QVERIFY(platform_->opened.isEmpty());
}

void TestOpening::programStarts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("closes");
    QTest::newRow("plain program: the shell stays") << u"tool.exe"_qs << false;
    QTest::newRow("underscore: the shell closes itself") << u"_tool.exe"_qs << true;
}

void TestOpening::programStarts() {
    QFETCH(QString, name);
    QFETCH(bool, closes);
    const QString folder = tmp(u"material"_qs);
    QDir().mkpath(folder);
    QVERIFY(QFile::copy(standinExe(), folder + u'/' + name));
    writeFile(folder + u"/mwex.cfg"_qs, "exit=1\n");
    platform_->realShell = true;
    program_->values.RFLG = true;
    program_->values.KIJUNDIR = win(folder) + u'\\';
    // The start page has loaded and set the URL field; then the pupil's own page shows.
    QTRY_VERIFY_WITH_TIMEOUT(form()->Edit2->text().endsWith(u"index.html"_qs) &&
                                 form()->WebBrowser1->url().path().endsWith(u"index.html"_qs) &&
                                 !form()->WebBrowser1->page()->isLoading(),
                             20000);
    form()->Edit2->setText(u"http://example.org/p.html"_qs);
    answerDialog(name);
    form()->SpeedButton7MouseUp(nullptr);
    QCOMPARE(program_->forms.Form2->Label1->text(),
             win(folder + u'/' + name) + u"をはじめます。"_qs);
    QCOMPARE(program_->forms.Form2->Label2->text(), QString());
    QCOMPARE(form()->Timer2->isActive(), closes);
    if (closes)
        QCOMPARE(form()->Timer2->interval(), 1500);
    const QString log = folder + u"/mwex.log"_qs;
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(log) && readFile(log).endsWith('\n'), 20000);
    const QStringList fields = lastLogLine(log);
    QCOMPARE(fields.value(2), u"2"_qs);
    QCOMPARE(fields.value(4), u"http://example.org/p.html"_qs);
}

void TestOpening::readOnlyMarkCleared() {
    const QString save = platform::toHost(program_->values.QUMOHOZON);
    writeFile(save + u"sheet.txt"_qs, "x");
    const QString F = program_->values.QUMOHOZON + u"sheet.txt"_qs;
    QVERIFY(platform::setReadOnly(F, true));
    answerDialog(u"sheet.txt"_qs);
    form()->HIRAKU();
    QVERIFY(!platform::isReadOnly(F));
    QCOMPARE(platform_->opened, QStringList{u'"' + F + u'"'});
}

// ---- desktop copies and exports ----

void TestOpening::desktopQuestion_data() {
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<QString>("text");
    QTest::newRow("copy") << false
                          << u"game を\rデスクトップ上の みんなのゲーム にコピーします。"_qs;
    QTest::newRow("export")
        << true << u"game を\rデスクトップ上の みんなのゲーム にエクスポートします。"_qs;
}

void TestOpening::desktopQuestion() {
    QFETCH(bool, exporting);
    QFETCH(QString, text);
    writeFile(tmp(u"kyozai/game/a.txt"_qs), "a");
    platform_->answer = false;
    form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, u"みんなのゲーム"_qs,
                    exporting ? program_->values.MWEXEDIR : QString());
    QCOMPARE(platform_->questions, QStringList{text});
    // No changes nothing.
    QVERIFY(filesBelow(tmp(u"desk"_qs)).isEmpty());
    QVERIFY(!QFileInfo::exists(tmp(u"desk/みんなのゲーム"_qs)));
}

void TestOpening::desktopCopyMergesAndReplaces() {
    writeFile(tmp(u"kyozai/game/a.txt"_qs), "new a");
    writeFile(tmp(u"kyozai/game/sub/b.bin"_qs), QByteArray(70000, 'b'));
    writeFile(tmp(u"desk/みんなのゲーム/game/a.txt"_qs), "old a");
    writeFile(tmp(u"desk/みんなのゲーム/game/mine.txt"_qs), "kept");
    QVERIFY(platform::setReadOnly(win(tmp(u"desk/みんなのゲーム/game/a.txt"_qs)), true));
    form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, u"みんなのゲーム"_qs, QString());
    QCOMPARE(filesBelow(tmp(u"desk"_qs)),
             (QStringList{u"みんなのゲーム/game/a.txt"_qs, u"みんなのゲーム/game/mine.txt"_qs,
                          u"みんなのゲーム/game/sub/b.bin"_qs}));
    QCOMPARE(readFile(tmp(u"desk/みんなのゲーム/game/a.txt"_qs)), QByteArray("new a"));
    QCOMPARE(readFile(tmp(u"desk/みんなのゲーム/game/sub/b.bin"_qs)), QByteArray(70000, 'b'));
    QVERIFY(platform_->errors.isEmpty());
}

// The files of a copy are written aside and put in place together: a copy cancelled at any
// moment leaves none of its files and no temporary file, a finished one every file whole,
// with the notice only then. The window serves its events meanwhile (the cancel arrives
// through them).
void TestOpening::desktopCopyWholeOrNothing_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("finished") << false;
    QTest::newRow("cancelled at once") << true;
}

void TestOpening::desktopCopyWholeOrNothing() {
    QFETCH(bool, cancel);
    QStringList expected;
    for (int i = 0; i < 400; ++i) {
        const QString rel = u"game/d%1/f%2.bin"_qs.arg(i % 7).arg(i);
        writeFile(tmp(u"kyozai/"_qs + rel), QByteArray(1000 + i, char('a' + i % 26)));
        expected << u"みんなのゲーム/"_qs + rel;
    }
    // Larger than one step of the kernel's copy.
    writeFile(tmp(u"kyozai/game/big.bin"_qs), QByteArray(9 << 20, 'z'));
    expected << u"みんなのゲーム/game/big.bin"_qs;
    expected.sort();
    bool served = false;
    QTimer::singleShot(0, form(), [&] {
        served = true;
        if (cancel)
            if (auto *p = form()->findChild<QProgressDialog *>(u"copyProgress"_qs))
                p->cancel();
    });
    form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, u"みんなのゲーム"_qs, QString());
    QVERIFY(served);
    const QStringList found = filesBelow(tmp(u"desk"_qs));
    if (found.isEmpty()) {
        QVERIFY(cancel);
        QVERIFY(!program_->forms.Form2->isVisible());
    } else {
        // Too late to cancel: everything is there.
        QCOMPARE(found, expected);
        for (int i = 0; i < 400; i += 37)
            QCOMPARE(readFile(tmp(u"desk/みんなのゲーム/game/d%1/f%2.bin"_qs.arg(i % 7).arg(i))),
                     QByteArray(1000 + i, char('a' + i % 26)));
        QCOMPARE(readFile(tmp(u"desk/みんなのゲーム/game/big.bin"_qs)), QByteArray(9 << 20, 'z'));
        QCOMPARE(program_->forms.Form2->Label1->text(),
                 u"デスクトップの「みんなのゲーム」にコピーしました。"_qs);
        program_->forms.Form2->Timer1Timer();
    }
    QVERIFY(platform_->errors.isEmpty());
}

void TestOpening::exportPackageIsAnInstallLayout() {
    const QString material = tmp(u"kyozai/game"_qs);
    writeFile(material + u"/index.html"_qs, "<html>game</html>");
    writeFile(material + u"/works/w1.mwx"_qs, "w1");
    // An earlier export is there: the program copy is replaced.
    writeFile(tmp(u"desk/みんなのゲーム/game.x86_64"_qs), "old program");
    form()->DTPCOPY(win(material), u"game"_qs, u"みんなのゲーム"_qs, program_->values.MWEXEDIR);

    const QString pkg = tmp(u"desk/みんなのゲーム"_qs);
    QCOMPARE(readFile(pkg + u"/game/index.html"_qs), QByteArray("<html>game</html>"));
    QCOMPARE(readFile(pkg + u"/game/works/w1.mwx"_qs), QByteArray("w1"));
    QCOMPARE(readFile(pkg + u"/game/MWEX/mwex.exe"_qs), readFile(standinExe()));
    QVERIFY(QFileInfo::exists(pkg + u"/game/MWEX/QUMOの設定.txt"_qs));
    QCOMPARE(readFile(pkg + u"/game.x86_64"_qs), readFile(tmp(u"inst/QUMOG.x86_64"_qs)));
    QVERIFY(QFileInfo(pkg + u"/game.x86_64"_qs).isExecutable());
    QVERIFY(QFileInfo(pkg + u"/game/MWEX/mwex.exe"_qs).isExecutable());

    // The copied program, started from the desktop, finds its copied material and Logo
    // program.
    OpeningPlatform other;
    QumoProgram copy(other, win(pkg + u"/game.x86_64"_qs));
    copy.main()->FormShow();
    QVERIFY2(copy.main()->startupDone(), qPrintable(other.errors.join(u'\n')));
    QCOMPARE(copy.values.MWEXEDIR, win(pkg + u"/game/MWEX"_qs));
    QCOMPARE(copy.values.MWEXEXE, win(pkg + u"/game/MWEX/mwex.exe"_qs));
    QCOMPARE(copy.values.KIJUNDIR, win(pkg + u"/game"_qs) + u'\\');
    QCOMPARE(copy.values.QUMOHOZON, win(pkg + u"/game/さくひん"_qs) + u'\\');
    if (copy.forms.Form2->isVisible())
        copy.forms.Form2->Timer1Timer();
}

void TestOpening::desktopNameCannotLeaveTheDesktop() {
    writeFile(tmp(u"kyozai/game/a.txt"_qs), "a");
    for (const QString &name :
         {u"..\\outside"_qs, u"C:\\x"_qs, u"\\\\server\\share"_qs, QString()}) {
        form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, name, QString());
    }
    QVERIFY(platform_->questions.isEmpty());
    QCOMPARE(platform_->errors.size(), 4);
    QVERIFY(!QFileInfo::exists(tmp(u"outside"_qs)));
    QVERIFY(filesBelow(tmp(u"desk"_qs)).isEmpty());
}

void TestOpening::confirmationBox_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestOpening::confirmationBox() {
    // The host's own box: a question with Yes and No, the CR shown as a line break.
    QFETCH(bool, yes);
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString buttonText;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        text = box->text();
        icon = box->icon();
        QAbstractButton *button = box->button(yes ? QMessageBox::Yes : QMessageBox::No);
        if (button)
            buttonText = button->text();
        if (button)
            button->click();
        else
            box->reject();
    });
    poll.start(20);
    platform::Platform host;
    QCOMPARE(host.confirmYesNo(form(), u"game を\rデスクトップ上の x にコピーします。"_qs), yes);
    QCOMPARE(text, u"game を\nデスクトップ上の x にコピーします。"_qs);
    QCOMPARE(icon, QMessageBox::Question);
    // Qt's Japanese texts, whatever the host's locale.
    QVERIFY2(buttonText.startsWith(yes ? u"はい"_qs : u"いいえ"_qs), qPrintable(buttonText));
}

void TestOpening::deadClickBeepsAndSays_data() {
    QTest::addColumn<QString>("opener"); // a script standing for xdg-open; empty: none
    QTest::addColumn<bool>("refuse");
    QTest::newRow("platform has nothing to open it with") << QString() << true;
    QTest::newRow("no opener installed") << QString() << false;
    QTest::newRow("opener finds no program for it")
        << u"#!/bin/sh\necho \"$1\" > \"${0%/*}/asked\"\nexit 3\n"_qs << false;
}

void TestOpening::deadClickBeepsAndSays() {
    QFETCH(QString, opener);
    QFETCH(bool, refuse);
    const QByteArray path = qgetenv("PATH");
    const QString bin = tmp(u"bin"_qs);
    QDir().mkpath(bin);
    if (!opener.isEmpty()) {
        writeFile(bin + u"/xdg-open"_qs, opener.toUtf8());
        QFile::setPermissions(bin + u"/xdg-open"_qs, QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner);
    }
    qputenv("PATH", bin.toUtf8()); // only the stand-in opener, or none at all
    platform_->realShell = true;
    platform_->refuse = refuse;
    const QString document = win(tmp(u"notes.odt"_qs));
    writeFile(tmp(u"notes.odt"_qs), "x");
    form()->Edit2->setText(document);
    form()->SpeedButton5Click(); // "open elsewhere"
    TForm2 *notice = program_->forms.Form2;
    QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), 20000);
    qputenv("PATH", path);
    QCOMPARE(notice->Label1->text(), u"ひらけませんでした。"_qs);
    QCOMPARE(notice->Label2->text(), document);
    QCOMPARE(platform_->beeps, (QList<unsigned>{platform::BeepDefault}));
    if (!opener.isEmpty()) // the opener got the file's own path
        QCOMPARE(readFile(bin + u"/asked"_qs).trimmed(), tmp(u"notes.odt"_qs).toUtf8());
    notice->Timer1Timer();
}

void TestOpening::enterInUrlFieldGoes() {
    writeFile(tmp(u"page.html"_qs), "<html><body>page</body></html>");
    form()->Edit2->setText(win(tmp(u"page.html"_qs)));
    QTest::keyClick(form()->Edit2, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(form()->WebBrowser1->url().toLocalFile(), tmp(u"page.html"_qs), 20000);
}

// ---- opening never runs a program; where things went ----

// A document fetched from a server opens with the desktop's opener, whatever its first
// bytes are; nothing is started, through the compatibility layer or otherwise.
void TestOpening::documentThatLooksLikeAProgramIsOnlyOpened() {
    HttpServer http;
    QVERIFY(http.start());
    const QByteArray mz("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff\x00\x00", 16);
    http.addFile(u"/m/note.txt"_qs, mz + QByteArray(600, 'x'));
    // A desktop opener and a compatibility layer of the test's own, first on the path.
    const QString bin = tmp(u"bin"_qs), rec = tmp(u"rec"_qs);
    QDir().mkpath(rec);
    writeFile(bin + u"/xdg-open"_qs, ("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + rec + "/opened'\n").toUtf8());
    writeFile(bin + u"/wine"_qs, ("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + rec + "/ran'\n").toUtf8());
    for (const QString &f : {bin + u"/xdg-open"_qs, bin + u"/wine"_qs})
        QFile::setPermissions(f, QFile::permissions(f) | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ':' + path);
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    platform_->realShell = true;

    QSignalSpy handled(form()->linkCommands(), &LinkCommandRunner::handled);
    bool cancel = false;
    form()->WebBrowser1BeforeNavigate2(http.url(u"/m/note.txt"_qs), cancel);
    QVERIFY(cancel);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    const QString saved = tmp(u"inst/QUMOG/さくひん/note.txt"_qs);
    QCOMPARE(readFile(saved).left(2), QByteArray("MZ"));
    // The opener's record exists a moment before its line is in it.
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(readFile(rec + u"/opened"_qs)), saved + u'\n',
                              30000);
    QVERIFY(!QFile::exists(rec + u"/ran"_qs));
    QVERIFY(platform_->started.isEmpty());
}

// The package carries the Logo program's folder without the roster; the roster at home is
// untouched, and the pupil is told where the package is.
void TestOpening::exportLeavesTheRosterBehind() {
    const QString mwex = layout_.mwexDir;
    writeFile(mwex + u"/学年名.txt"_qs, sjis(u"<学年名>\r\n1年\r\n"_qs));
    writeFile(mwex + u"/学年1.txt"_qs, sjis(u"たろう\r\nはなこ\r\n"_qs));
    writeFile(mwex + u"/shapes/学年1.txt"_qs, "a picture's notes");
    writeFile(tmp(u"kyozai/game/index.html"_qs), "<html>game</html>");
    const QStringList before = filesBelow(mwex);
    form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, u"みんなのゲーム"_qs,
                    program_->values.MWEXEDIR);
    const QString pkgMwex = tmp(u"desk/みんなのゲーム/game/MWEX"_qs);
    QStringList expected = before;
    expected.removeAll(u"学年名.txt"_qs);
    expected.removeAll(u"学年1.txt"_qs);
    QCOMPARE(filesBelow(pkgMwex), expected);
    QVERIFY(expected.contains(u"shapes/学年1.txt"_qs));
    QCOMPARE(filesBelow(mwex), before);
    QCOMPARE(program_->forms.Form2->Label1->text(),
             u"デスクトップの「みんなのゲーム」にエクスポートしました。"_qs);
}

void TestOpening::doneNotices_data() {
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<QString>("text");
    QTest::newRow("copy") << false << u"デスクトップの「みんなのゲーム」にコピーしました。"_qs;
    QTest::newRow("export") << true << u"デスクトップの「みんなのゲーム」にエクスポートしました。"_qs;
}

void TestOpening::doneNotices() {
    QFETCH(bool, exporting);
    QFETCH(QString, text);
    writeFile(tmp(u"kyozai/game/a.txt"_qs), "a");
    form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, u"みんなのゲーム"_qs,
                    exporting ? program_->values.MWEXEDIR : QString());
    QVERIFY(program_->forms.Form2->isVisible());
    QCOMPARE(program_->forms.Form2->Label1->text(), text);
    QVERIFY(QFileInfo::exists(tmp(u"desk/みんなのゲーム/game/a.txt"_qs)));
    // A No says nothing of the kind.
    program_->forms.Form2->Timer1Timer();
    program_->forms.Form2->Label1->clear();
    platform_->answer = false;
    form()->DTPCOPY(win(tmp(u"kyozai/game"_qs)), u"game"_qs, u"ほか"_qs,
                    exporting ? program_->values.MWEXEDIR : QString());
    QCOMPARE(program_->forms.Form2->Label1->text(), QString());
}

// A local install list ends with a notice naming the sub-folders it filled.
void TestOpening::installListSaysWhereItWent() {
    writeFile(tmp(u"kyozai/res/a.gif"_qs), "GIF89a");
    writeFile(tmp(u"kyozai/res/b.wav"_qs), "RIFF");
    QDir().mkpath(layout_.mwexDir + u"/shapes"_qs);
    QDir().mkpath(layout_.mwexDir + u"/sounds/extra"_qs);
    // The third record's folder is missing: a local list skips that file.
    writeFile(tmp(u"kyozai/res/list.css"_qs),
              "a.gif#shapes&b.wav#sounds\\extra&a.gif#none&b.wav#shapes&");
    QSignalSpy handled(form()->linkCommands(), &LinkCommandRunner::handled);
    bool cancel = false;
    form()->WebBrowser1BeforeNavigate2(win(tmp(u"kyozai/res/list.css"_qs)), cancel);
    QVERIFY(cancel);
    QTRY_COMPARE_WITH_TIMEOUT(handled.size(), 1, 30000);
    QVERIFY(QFileInfo::exists(layout_.mwexDir + u"/sounds/extra/b.wav"_qs));
    QCOMPARE(program_->forms.Form2->Label1->text(),
             u"MWEXの「shapes」「sounds\\extra」に入れました。"_qs);
}

void TestOpening::copyProgressText_data() {
    QTest::addColumn<int>("filesDone");
    QTest::addColumn<int>("filesTotal");
    QTest::addColumn<qint64>("bytesDone");
    QTest::addColumn<qint64>("bytesTotal");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 0 << 12 << qint64(0) << qint64(900) << u"コピーしています… 0 / 12 ファイル（0 B / 900 B）"_qs;
    QTest::newRow("kilobytes round up") << 3 << 12 << qint64(1) << qint64(1025) << u"コピーしています… 3 / 12 ファイル（1 B / 2 KB）"_qs;
    QTest::newRow("megabytes") << 7 << 9 << qint64(3 * 1024 * 1024 / 2) << qint64(5LL * 1024 * 1024 * 1024)
                               << u"コピーしています… 7 / 9 ファイル（1.5 MB / 5120.0 MB）"_qs;
}

void TestOpening::copyProgressText() {
    QFETCH(int, filesDone);
    QFETCH(int, filesTotal);
    QFETCH(qint64, bytesDone);
    QFETCH(qint64, bytesTotal);
    QFETCH(QString, text);
    QCOMPARE(platform::copyProgressText(filesDone, filesTotal, bytesDone, bytesTotal), text);
}

QUMO_TEST_MAIN(TestOpening)
#include "tst_opening.moc"
