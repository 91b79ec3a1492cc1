#pragma once

#include <QObject>
#include <atomic>

class QEventLoop;

// Waits in a local event loop: the window keeps painting and timers run, while the
// user's input (mouse, keys, wheel, closing a window) is dropped, so no other
// operation can be started meanwhile.
class BusyLoop
{
public:
    BusyLoop();
    ~BusyLoop();
    BusyLoop(const BusyLoop &) = delete;
    BusyLoop &operator=(const BusyLoop &) = delete;

    // Ends exec(); may be called from any thread, before or during exec().
    void quit();
    // Returns once quit() has been called.
    void exec();
    // Waits at least `ms` milliseconds.
    static void pause(int ms);

    // True while some BusyLoop holds user input off.
    static bool inputBlocked();

private:
    std::atomic<bool> m_done{false};
    QEventLoop *m_loop = nullptr;
    QObject *m_context = nullptr;
};

// Drops user input application-wide while it lives (nestable).
class InputBlocker
{
public:
    InputBlocker();
    ~InputBlocker();
    InputBlocker(const InputBlocker &) = delete;
    InputBlocker &operator=(const InputBlocker &) = delete;
};
