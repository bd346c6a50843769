#pragma once
// The modal notice: one big line and OK.
#include <QDialog>

class QLabel;
class QPushButton;
namespace platform {
class Platform;
}

class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5(platform::Platform &platform, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QPushButton *BitBtn1 = nullptr;

    void FormShow();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *e) override;

private:
    platform::Platform &platform_;
    bool placed_ = false;
};
