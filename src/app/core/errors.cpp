// The readable text of any exception.
#include "app/core/errors.h"

QString errorText(const std::exception &e) {
    if (auto *q = dynamic_cast<const QumoError *>(&e))
        return q->message();
    return QString::fromLocal8Bit(e.what());
}
