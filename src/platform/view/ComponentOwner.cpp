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

} // namespace ComponentOwner
