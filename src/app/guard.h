#pragma once
// The guard between the event loop and the windows' handlers: an error ends the handler,
// its text is shown in a message box, and the program goes on.
#include "app/core/errors.h"
#include "platform/platform.h"

#include <QString>

#include <concepts>
#include <exception>
#include <functional>
#include <utility>

class QWidget;

namespace guard {

// The text shown for an error that carries none of its own.
inline QString unknownErrorText() { return QStringLiteral("不明なエラーが発生しました。"); }

// Runs `handler`. Whatever it throws (the program's own error, a standard exception,
// anything else) ends it and is shown by `platform` in a message box owned by `owner`;
// nothing crosses the event loop, which does not support exceptions.
template <class F>
void run(platform::Platform &platform, QWidget *owner, F &&handler) {
    QString text;
    try {
        std::invoke(std::forward<F>(handler));
        return;
    } catch (const std::exception &e) {
        text = errorText(e);
    } catch (...) {
        text = unknownErrorText();
    }
    // Shown once the exception is over: the box runs its own event loop.
    platform.errorBox(owner, text);
}

// A window's handler as a slot that runs through `run`, for connect(). The slot takes
// exactly the handler's parameters, so a signal may carry more.
template <class W, class R, class... A>
auto guarded(platform::Platform &platform, W *window, R (W::*handler)(A...)) {
    return [&platform, window, handler](A... args) {
        run(platform, window, [&] { (window->*handler)(std::forward<A>(args)...); });
    };
}

// The same for a callable (a lambda that adapts a signal to a handler).
template <class F>
    requires(!std::is_member_function_pointer_v<std::decay_t<F>>)
auto guarded(platform::Platform &platform, QWidget *owner, F &&handler) {
    return [&platform, owner, handler = std::forward<F>(handler)](auto &&...args)
               requires std::invocable<const std::decay_t<F> &, decltype(args)...>
    {
        run(platform, owner, [&] { std::invoke(handler, std::forward<decltype(args)>(args)...); });
    };
}

// The guard of one window, so that its connections read
//   const guard::Guard guarded(platform_, this);
//   connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TForm1::SpeedButton1Click));
template <class W>
class Guard {
public:
    Guard(platform::Platform &platform, W *window) : platform_(platform), window_(window) {}
    template <class H>
    auto operator()(H &&handler) const {
        return guard::guarded(platform_, window_, std::forward<H>(handler));
    }

private:
    platform::Platform &platform_;
    W *window_;
};

} // namespace guard
