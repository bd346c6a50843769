#pragma once
// The capture window: a rectangle of the frozen screen to the clipboard and to a file.
#include <QDialog>

class TForm14 : public QDialog {
    Q_OBJECT
public:
    explicit TForm14(QWidget *parent = nullptr);

    // The initial folder of the picture save dialog.
    void setInitialSaveFolder(const QString &folder) { initialFolder_ = folder; }
    const QString &initialSaveFolder() const { return initialFolder_; }

private:
    QString initialFolder_;
};
