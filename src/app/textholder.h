#pragma once
// The hidden multi-line text control Memo1 of the main window, which holds the text of the
// last file the text store read or wrote.
#include <QString>
#include <QWidget>

// It is never shown, so it keeps the text as a string instead of laying it out in a text
// document: a settings file of megabytes took seconds to lay out, with the window frozen.
class TextHolder : public QWidget {
public:
    using QWidget::QWidget;
    void setPlainText(const QString &text) { text_ = text; }
    QString toPlainText() const { return text_; }

private:
    QString text_;
};
