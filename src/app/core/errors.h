#pragma once
// The shell's own error, and the readable text of any exception.
#include <QString>
#include <stdexcept>

// An error raised inside an event handler: it ends the handler and its text is shown in a
// message box; the program goes on.
class QumoError : public std::runtime_error {
public:
    explicit QumoError(const QString &message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString &message() const { return message_; }

private:
    QString message_;
};

// The readable text of any exception.
QString errorText(const std::exception &e);
