#pragma once

#include <QWidget>

// A frame: a reusable container of controls placed on forms (or on other frames).
// Components inside it belong to the frame, the frame belongs to the form around it.
class Frame : public QWidget
{
    Q_OBJECT
public:
    explicit Frame(QWidget *parent = nullptr) : QWidget(parent) {}
};

// Which form or frame a component belongs to. Forms are windows; a window without a
// parent belongs to the application, a window with one belongs to the form or frame
// around its parent. Any other object belongs to the nearest form or frame among its
// ancestors.
namespace ComponentOwner {
bool isForm(const QObject *object);
bool isFrame(const QObject *object);
// The owning form or frame; the application object (qApp) for a window without a
// parent; nullptr when there is none.
QObject *ownerOf(const QObject *object);
// The form that owns `component` when that form belongs to the application or to a form
// the application owns; nullptr otherwise.
QWidget *applicationForm(const QObject *component);
} // namespace ComponentOwner
