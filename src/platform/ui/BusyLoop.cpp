#include "BusyLoop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

class InputFilter : public QObject
{
public:
    int depth = 0;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (depth == 0)
            return QObject::eventFilter(watched, event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        case QEvent::Close:
            // A window closed by the user while work runs on its data waits for the work.
            if (event->spontaneous()) {
                event->ignore();
                return true;
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

InputFilter *filter()
{
    static InputFilter *instance = nullptr;
    if (!instance && QCoreApplication::instance()) {
        instance = new InputFilter;
        instance->moveToThread(QCoreApplication::instance()->thread());
        QCoreApplication::instance()->installEventFilter(instance);
    }
    return instance;
}

} // namespace

InputBlocker::InputBlocker()
{
    if (InputFilter *f = filter())
        ++f->depth;
}

InputBlocker::~InputBlocker()
{
    if (InputFilter *f = filter())
        --f->depth;
}

bool BusyLoop::inputBlocked()
{
    InputFilter *f = filter();
    return f && f->depth > 0;
}

BusyLoop::BusyLoop() : m_context(new QObject) {}

BusyLoop::~BusyLoop()
{
    delete m_context;
}

void BusyLoop::quit()
{
    // Only the waiting thread marks the loop done: exec() cannot return while another
    // thread is still posting to this object.
    QMetaObject::invokeMethod(m_context, [this] {
        m_done = true;
        if (m_loop)
            m_loop->quit();
    }, Qt::QueuedConnection);
}

void BusyLoop::exec()
{
    if (m_done)
        return;
    InputBlocker blocker;
    QEventLoop loop;
    m_loop = &loop;
    while (!m_done)
        loop.exec();
    m_loop = nullptr;
}

void BusyLoop::pause(int ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer elapsed;
    elapsed.start();
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    InputBlocker blocker;
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (elapsed.elapsed() >= ms)
            loop.quit();
        else
            timer.start(static_cast<int>(ms - elapsed.elapsed()) + 1);
    });
    timer.setSingleShot(true);
    timer.start(ms);
    loop.exec();
}
