#pragma once

#include "VclColor.h"

#include <QObject>

// A named style shared by reference: every view that uses it repaints when it changes.
class GridStyle : public QObject
{
    Q_OBJECT
public:
    explicit GridStyle(QObject *parent = nullptr) : QObject(parent) {}

    quint32 Color() const { return m_color; }
    void setColor(quint32 color)
    {
        if (m_color == color)
            return;
        m_color = color;
        emit changed();
    }
    int Tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

signals:
    void changed();

private:
    quint32 m_color = VclColor::clDefault;
    int m_tag = 0;
};
