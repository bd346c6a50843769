#pragma once
// The name-folder picker: grade, class and name on big buttons. The three chosen captions
// are left in GAKUNEN, KUMI and SHIMEI of the process-wide values.
#include <QDialog>
#include <QList>
#include <QSize>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;
struct QumoValues;
class TForm1;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    TForm4(QumoValues &values, TForm1 *main, QWidget *parent = nullptr);

    // The size the pages are designed at. Every control keeps its place and font size at
    // this size in the properties "designRect" and "designPx"; other sizes scale them.
    static constexpr QSize DesignSize{1113, 660};

    // ---- pages ----
    QWidget *Panel2 = nullptr;         // grade page
    QWidget *Panel3 = nullptr;         // class page
    QWidget *Panel4 = nullptr;         // name page
    QList<QPushButton *> gradeButtons; // BitBtn3 .. BitBtn8, BitBtn57; tags 1 to 7
    QList<QPushButton *> classButtons; // BitBtn9 .. BitBtn16; tags 1 to 8
    QList<QPushButton *> nameButtons;  // BitBtn17, BitBtn1, BitBtn2, BitBtn18 .. BitBtn56

    // ---- bars: prompt (label, leave) and confirm (label, OK, redo) ----
    QWidget *Panel1 = nullptr, *Panel6 = nullptr; // grade prompt, grade confirm
    QWidget *Panel7 = nullptr, *Panel5 = nullptr; // class prompt, class confirm
    QWidget *Panel9 = nullptr, *Panel8 = nullptr; // name prompt, name confirm
    QLabel *Label1 = nullptr, *Label2 = nullptr;
    QLabel *Label3 = nullptr, *Label4 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr;
    QPushButton *BitBtn59 = nullptr, *BitBtn58 = nullptr, *BitBtn64 = nullptr;
    QPushButton *BitBtn60 = nullptr, *BitBtn61 = nullptr, *BitBtn65 = nullptr;
    QPushButton *BitBtn62 = nullptr, *BitBtn63 = nullptr, *BitBtn66 = nullptr;

    // ---- roster loaders; F is a file name in the roster folder ----
    void GAKUNENLOAD(const QString &F);
    void KUMILOAD(const QString &F);
    void SHIMEILOAD(const QString &F, const QString &K);
    QString NAMAE; // the loaders' working text
    qint32 M1 = 0; // visible grade buttons after the last load
    qint32 M2 = 0; // visible class buttons
    qint32 M3 = 0; // visible name buttons
    QString M12;   // chosen grade position, "1" to "7"
    QString M22;   // chosen class position, "1" to "8"

    // ---- handlers ----
    void FormShow();
    void BitBtn3Click(QPushButton *Sender);  // every grade button
    void BitBtn9Click(QPushButton *Sender);  // every class button
    void BitBtn18Click(QPushButton *Sender); // every name button
    void BitBtn59Click();                    // grade OK
    void BitBtn58Click();                    // grade redo
    void BitBtn64Click();                    // grade: give up
    void BitBtn60Click();                    // class OK
    void BitBtn61Click();                    // class redo
    void BitBtn65Click();                    // class: back
    void BitBtn62Click();                    // name OK
    void BitBtn63Click();                    // name redo
    void BitBtn66Click();                    // name: back
    void SYOKIGAKUNEN();
    void SYOKIKUMI();
    void SYOKINAMAE();

    // The label a choice button stands for (its text without mnemonic escaping).
    static QString caption(const QPushButton *button);

protected:
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void buildControls();
    void layoutPages();
    QString rosterFile(const QString &F) const;
    // Empties NAMAE, then reads a roster file into it; false when the file does not exist.
    bool readRoster(const QString &F);
    static int applyCaptions(const QList<QPushButton *> &buttons, const QStringList &captions,
                             bool (*usable)(const QString &));
    void showPage(QWidget *page, QWidget *prompt, QWidget *confirm);
    void warn(const QString &text);
    void finish(bool confirmed);

    QumoValues &v_;
    TForm1 *main_;
};
