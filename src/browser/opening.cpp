// Opening saved works, starting programs, copying material folders to the desktop.
#include "app/MAIN.h"
#include "browser/opening.h"
#include "browser/core/completion.h"
#include "browser/core/installlist.h"
#include "browser/core/savetarget.h"
#include "platform/aside.h"
#include "platform/core/fs.h"
#include "platform/core/paths.h"
#include "platform/platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTreeView>

namespace {

QString quoted(const QString &s) {
    return u'"' + s + u'"';
}

// The open dialog of saved works: several files at once, resizable, no places bar, and a
// pane that previews the picture under the cursor.
QFileDialog *makeOpenDialog(QWidget *owner) {
    auto *dialog = new QFileDialog(owner, QStringLiteral("マイクロワールドEXの作品"));
    dialog->setObjectName(QStringLiteral("OpenPictureDialog1"));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setSizeGripEnabled(true);
    // "すべて" means every file, with or without an extension, as "*.*" does on Windows.
    dialog->setNameFilters({QStringLiteral("LOGOの作品 (*.mw*)"), QStringLiteral("すべて (*)")});
    dialog->selectNameFilter(QStringLiteral("LOGOの作品 (*.mw*)"));
    dialog->setSidebarUrls({});
    if (QWidget *sidebar = dialog->findChild<QWidget *>(QStringLiteral("sidebar")))
        sidebar->hide();

    // The detail view's columns come with widths measured on English sample texts; the
    // Japanese headers and dates are wider. Size, type and date take what their contents
    // need and the name takes the rest, so no column is cut off at the dialog's size.
    if (auto *tree = dialog->findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        // The view never gets narrower than its columns: when the other columns grow with
        // what the folder holds, the name keeps room for its heading and a short name.
        auto keepRoom = [tree, header] {
            int need = qMax(header->sectionSizeHint(0),
                            header->fontMetrics().horizontalAdvance(QString(12, QChar(0x3042))));
            for (int i = 1; i < header->count(); ++i)
                if (!header->isSectionHidden(i))
                    need += header->sectionSize(i);
            tree->setMinimumWidth(need + 2 * tree->frameWidth() +
                                  tree->verticalScrollBar()->sizeHint().width());
        };
        QObject::connect(header, &QHeaderView::sectionResized, tree,
                         [keepRoom](int logical, int, int) {
                             if (logical > 0)
                                 keepRoom();
                         });
        keepRoom();
    }

    auto *preview = new QLabel(dialog);
    preview->setObjectName(QStringLiteral("picturePreview"));
    preview->setFixedSize(160, 160);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto *grid = qobject_cast<QGridLayout *>(dialog->layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(dialog, &QFileDialog::currentChanged, preview, [preview](const QString &path) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > 160 || size.height() > 160))
            reader.setScaledSize(size.scaled(160, 160, Qt::KeepAspectRatio));
        const QImage image = reader.canRead() ? reader.read() : QImage();
        if (image.isNull())
            preview->clear();
        else
            preview->setPixmap(QPixmap::fromImage(image));
    });
    return dialog;
}

} // namespace

void TForm1::SpeedButton7MouseUp(QMouseEvent *) {
    HIRAKU();
}

void TForm1::HIRAKU() {
    if (!OpenPictureDialog1)
        OpenPictureDialog1 = makeOpenDialog(this);
    openWorkDialogFolder_ = v_.RFLG ? v_.KIJUNDIR : v_.QUMOHOZON;
    OpenPictureDialog1->setDirectory(platform::toHost(openWorkDialogFolder_));
    if (OpenPictureDialog1->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = OpenPictureDialog1->selectedFiles();
    // The whole path is looked at, not only the extension: the first work, page or program
    // among the chosen files is handled and ends the run; files before it simply open.
    for (const QString &host : chosen) {
        const QString F = platform::fromHost(host);
        if (platform::isReadOnly(F))
            platform::setReadOnly(F, false);
        if (F.contains(QLatin1String(".mwx"))) {
            if (platform::fileExists(v_.MWEXEXE))
                SHELLMWEXE(v_.MWEXEXE, F);
            else
                openOrSay(F);
            return;
        }
        if (F.contains(QLatin1String(".htm")) || F.contains(QLatin1String(".HTM"))) {
            Navigate(F);
            return;
        }
        if (F.contains(QLatin1String(".exe"))) {
            MATE(F + QStringLiteral("をはじめます。"), QString());
            QApplication::processEvents();
            EXE123(F, QString());
            if (platform::extractFileName(F).contains(u'_'))
                OWARI();
            return;
        }
        openOrSay(F);
    }
}

Opening::Opening(Needs needs) : n_(std::move(needs)) {}

void Opening::EXE123(const QString &FF, const QString &F2) {
    QString T1 = FF;
    QString arguments = F2;
    const qsizetype plus = FF.indexOf(u'+');
    if (plus >= 0) {
        T1 = FF.left(plus);
        arguments = FF.mid(plus + 1);
    }
    const QString TN2 =
        quoted(n_.values->programFile) + u' ' + quoted(n_.urlField()) + u' ' + arguments;
    n_.platform->shellOpen(quoted(T1), TN2, platform::extractFilePath(T1));
}

void Opening::DTPCOPY(const QString &F1, const QString &FF, const QString &F2, const QString &MW) {
    const QumoValues &v_ = *n_.values;
    platform::Platform &platform_ = *n_.platform;
    QWidget *const owner = n_.owner;
    QString D = v_.DESKTOP;
    while (D.endsWith(u'\\'))
        D.chop(1);
    if (D.isEmpty())
        D = platform::desktopFolder();
    // The names come from a link: they may name a folder below the desktop, never one
    // beside or above it.
    const auto to = SaveTarget::inside(D + u'\\', D + u'\\' + F2);
    if (!to || !installlist::isInsidePath(F2) ||
        (!MW.isEmpty() && !installlist::isInsidePath(FF))) {
        platform_.errorBox(owner,
                           QStringLiteral("デスクトップのフォルダ名 %1 は使えません。").arg(F2));
        return;
    }
    const QString ToPath = to->path();
    const QString question = FF + QStringLiteral(" を") + u'\r' +
                             QStringLiteral("デスクトップ上の ") + F2 +
                             (MW.isEmpty() ? QStringLiteral(" にコピーします。")
                                           : QStringLiteral(" にエクスポートします。"));
    if (!platform_.confirmYesNo(owner, question))
        return;
    platform::createDirectory(ToPath);
    const bool copied = platform_.copyFolderTree(owner, F1, ToPath + u'\\');
    if (MW.isEmpty()) {
        // The pupil is told where it went; a failed copy has already said so itself.
        if (copied)
            n_.notice(completion::folderCopied(F2), QString());
        return;
    }
    const QString N = F1.mid(F1.lastIndexOf(u'\\') + 1);
    // The package goes home with the pupil: the roster with every pupil's name stays here.
    const bool mwexCopied = platform_.copyFolderTree(owner, v_.MWEXEDIR + u'\\',
                                                     ToPath + u'\\' + FF,
                                                     completion::leftOutOfExport);
    // On Windows the program is "N.exe"; elsewhere it keeps its own extension as well.
    bool programCopied = false;
    platform::runAside([&] {
        programCopied = platform::copyFile(
            v_.programFile, ToPath + u'\\' + N + platform::extractFileExt(v_.programFile), false);
    });
    if (copied && mwexCopied && programCopied)
        n_.notice(completion::folderExported(F2), QString());
}
