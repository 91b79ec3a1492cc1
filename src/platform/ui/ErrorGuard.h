#pragma once

#include <functional>
#include <type_traits>
#include <utility>

// Runs one UI entry point (a click, a menu item, a paint step). Any exception it throws
// is shown in the standard error box with its own text and goes no further:
// no exception crosses Qt's event loop. Returns false when an error was shown.
bool guard(const std::function<void()> &entryPoint);

// Wraps a callable for connect(): the slot body runs inside guard().
template<typename F>
auto guarded(F f)
{
    return [f = std::move(f)](auto &&...args) {
        if constexpr (std::is_invocable_v<const F &, decltype(args)...>)
            guard([&] { f(std::forward<decltype(args)>(args)...); });
        else
            guard([&] { f(); }); // a slot that ignores the signal's arguments
    };
}
