#pragma once
// The capture window: the frozen screen under a crosshair; the dragged rectangle goes to
// the clipboard and, through the save dialog, to a JPEG or BMP file.
#include "board/geometry.h"

#include <QDialog>
#include <QImage>
#include <functional>

class QFileDialog;
class QLabel;
class QFrame;
namespace platform {
class Platform;
}

using TRect = board::TRect;

class TForm14 : public QDialog {
    Q_OBJECT
public:
    explicit TForm14(platform::Platform &platform, QWidget *parent = nullptr);
    ~TForm14() override;

    QWidget *Image1 = nullptr; // the frozen screen with the rubber band drawn into it
    QFrame *Panel1 = nullptr;  // the size readout
    QLabel *Label1 = nullptr;
    QLabel *Panel2 = nullptr; // width
    QLabel *Label2 = nullptr;
    QLabel *Panel3 = nullptr; // height
    QFileDialog *SavePictureDialog1 = nullptr; // made on first use: savePictureDialog()
    QFileDialog *savePictureDialog();

    // The bitmap shown by Image1 (24 bits, the frozen screen).
    QImage &picture() { return picture_; }
    void setPicture(const QImage &image);

    void FormShow();
    void Image1MouseDown(Qt::MouseButton Button, int X, int Y);
    void Image1MouseMove(int X, int Y);
    void Image1MouseUp(Qt::MouseButton Button, int X, int Y);
    void HCOPY();

    static int MIN(int X, int Y) { return board::MIN(X, Y); }
    static int MAX(int X, int Y) { return board::MAX(X, Y); }

    bool FDrag = false;
    QPoint DownPt;
    TRect R;

    // The initial folder of the save dialog: the save folder at start-up, afterwards the
    // folder the open-work dialog was last prepared with (see openWorkFolder).
    void setInitialSaveFolder(const QString &folder) { initialFolder_ = folder; }
    const QString &initialSaveFolder() const { return initialFolder_; }
    // Where the open-work dialog of the main window was last prepared to start; empty
    // when it has not been used.
    std::function<QString()> openWorkFolder;
    // The pupil's save folder: where the save dialog starts when the open-work dialog has
    // not been used yet.
    std::function<QString()> pupilFolder;
    // Shows the self-closing notice (headline, second line).
    std::function<void(const QString &, const QString &)> notice;

    // The readout's colour: blue while the proportions are near 16:9, else red.
    static bool nearSixteenNine(int w, int h) { return h / 9 == w / 16; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    void setReadoutColour(bool blue);
    QPoint onPicture(int X, int Y) const;
    void invalidate(const TRect &r);

    platform::Platform &platform_;
    QImage picture_;
    QString initialFolder_;
    QString lastName_;
};
