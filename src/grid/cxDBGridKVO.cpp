#include "cxDBGridKVO.h"

#include "GridStyle.h"
#include "GridTableView.h"
#include "SQLConnection.h"
#include "prxVestra.h"

#include <QStackedLayout>

namespace {
GridStyle *makeStyle(QObject *owner, const char *name, quint32 color)
{
    auto *style = new GridStyle(owner);
    style->setObjectName(QString::fromLatin1(name));
    style->setColor(color);
    return style;
}
} // namespace

TcxDBGridKVO::TcxDBGridKVO(QWidget *parent) : QWidget(parent), m_stack(new QStackedLayout(this))
{
    fTecnologia = TecnologiaPadrao;
    cxEstiloTitulo = makeStyle(this, "cxEstiloTitulo", VclColor::clDefault);
    cxEstiloGrupo = makeStyle(this, "cxEstiloGrupo", VclColor::clDefault);
    cxEstiloLinha = makeStyle(this, "cxEstiloLinha", VclColor::clDefault);
    cxEstiloTotalTitulo = makeStyle(this, "cxEstiloTotalTitulo", VclColor::clDefault);
    cxEstiloGraficoLegenda = makeStyle(this, "cxEstiloGraficoLegenda", VclColor::clDefault);
    cxEstiloZebrado = makeStyle(this, "cxEstiloZebrado", 0x00F2E4D7);
    cxEstiloNormal = makeStyle(this, "cxEstiloNormal", VclColor::clWhite);
    m_stack->setContentsMargins(0, 0, 0, 0);
}

TcxDBGridKVO::~TcxDBGridKVO() = default;

void TcxDBGridKVO::AjustaZebra(bool value)
{
    fZebrar = value;
    for (GridLevel *level : m_levels)
        if (auto *view = qobject_cast<GridTableView *>(level->GridView.data()))
            view->setContentOddStyle(value ? cxEstiloZebrado : cxEstiloNormal);
}

GridLevel *TcxDBGridKVO::CreateLevel(const QString &name)
{
    auto *level = new GridLevel(this);
    level->setObjectName(name);
    m_levels.append(level);
    return level;
}

GridTableView *TcxDBGridKVO::CreateTableView(const QString &name)
{
    auto *view = new GridTableView(this);
    view->setObjectName(name);
    return view;
}

void TcxDBGridKVO::setLevelView(GridLevel *level, QWidget *view)
{
    level->GridView = view;
    if (view && m_stack->indexOf(view) < 0)
        m_stack->addWidget(view);
    if (m_levels.first() == level && view)
        m_stack->setCurrentWidget(view);
}

QWidget *TcxDBGridKVO::ActiveView() const
{
    return m_stack->currentWidget();
}
