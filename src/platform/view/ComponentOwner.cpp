#include "ComponentOwner.h"

#include <QCoreApplication>

namespace ComponentOwner {

bool isForm(const QObject *object)
{
    const auto *w = qobject_cast<const QWidget *>(object);
    return w && w->isWindow();
}

bool isFrame(const QObject *object)
{
    return qobject_cast<const Frame *>(object) != nullptr && !isForm(object);
}

QObject *ownerOf(const QObject *object)
{
    if (!object)
        return nullptr;
    if (isForm(object) && !object->parent())
        return QCoreApplication::instance();
    for (QObject *p = object->parent(); p; p = p->parent())
        if (isForm(p) || isFrame(p))
            return p;
    return nullptr;
}

QWidget *applicationForm(const QObject *component)
{
    QObject *owner = ownerOf(component);
    if (!owner || !isForm(owner))
        return nullptr;
    QObject *container = owner;
    for (int depth = 1; depth <= 2; ++depth) {
        QObject *up = ownerOf(container);
        if (up && up == QCoreApplication::instance())
            return static_cast<QWidget *>(owner);
        if (!up || !isForm(up))
            return nullptr;
        container = up;
    }
    return nullptr;
}

} // namespace ComponentOwner
