#pragma once
// What every small object of the main window needs from it: the values, the platform, the
// owner of its boxes and the self-closing notice.
#include "app/core/values.h"

#include <QString>
#include <functional>

class QWidget;
namespace platform {
class Platform;
}

struct WindowNeeds {
    QumoValues *values = nullptr;
    platform::Platform *platform = nullptr;
    // Owner of the questions, message boxes and shell calls; may be null.
    QWidget *owner = nullptr;
    // The self-closing notice with two lines.
    std::function<void(const QString &, const QString &)> notice;
};
