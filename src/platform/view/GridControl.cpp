#include "GridControl.h"

#include "ErrorGuard.h"
#include "GridBandedTableView.h"
#include "GridCardView.h"
#include "GridChartView.h"
#include "GridTableView.h"

#include <QTabBar>

// ---------------------------------------------------------------- GridView

QString GridView::Name() const
{
    return widget()->objectName();
}

void GridView::setName(const QString &name)
{
    widget()->setObjectName(name);
}

void GridView::BeginUpdate()
{
    if (m_updateCount++ == 0)
        if (QWidget *s = site())
            s->setUpdatesEnabled(false);
}

void GridView::EndUpdate()
{
    if (m_updateCount == 0)
        return;
    if (--m_updateCount > 0)
        return;
    updateEnded();
    if (QWidget *s = site()) {
        s->setUpdatesEnabled(true);
        s->update();
    }
}

void GridView::notifyPainted()
{
    if (m_grid)
        m_grid->viewPainted();
}

// ---------------------------------------------------------------- GridLevel

GridLevel::GridLevel(GridControl *grid, GridLevel *parent) : QObject(parent ? static_cast<QObject *>(parent) : grid), m_grid(grid), m_parent(parent) {}

::GridView *GridLevel::GridView() const
{
    return m_viewWidget ? m_view : nullptr;
}

void GridLevel::setGridView(::GridView *view)
{
    m_view = view;
    m_viewWidget = view ? view->widget() : nullptr;
    if (view)
        m_grid->adopt(view);
    m_grid->levelsChanged();
}

void GridLevel::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    m_grid->levelsChanged();
}

GridLevel *GridLevel::Add(const QString &name)
{
    auto *level = new GridLevel(m_grid, this);
    level->setObjectName(name);
    m_levels.append(level);
    m_grid->levelsChanged();
    return level;
}

// ---------------------------------------------------------------- GridControl

GridControl::GridControl(QWidget *parent) : QWidget(parent) {}

GridControl::~GridControl()
{
    for (const auto &c : m_viewConnections)
        disconnect(c);
    for (const ViewEntry &e : m_views)
        e.view->m_grid = nullptr;
    m_views.clear();
}

GridLevel *GridControl::CreateLevel(const QString &name)
{
    auto *level = new GridLevel(this, nullptr);
    level->setObjectName(name);
    m_levels.append(level);
    levelsChanged();
    return level;
}

QList<GridLevel *> GridControl::visibleTopLevels() const
{
    QList<GridLevel *> out;
    for (GridLevel *l : m_levels)
        if (l->Visible())
            out << l;
    return out;
}

GridLevel *GridControl::ActiveLevel() const
{
    if (m_active && m_active->Visible() && m_levels.contains(m_active.data()))
        return m_active;
    const QList<GridLevel *> visible = visibleTopLevels();
    return visible.isEmpty() ? nullptr : visible.first();
}

void GridControl::setActiveLevel(GridLevel *level)
{
    if (level && !m_levels.contains(level))
        return;
    if (m_active == level)
        return;
    m_active = level;
    levelsChanged();
    emit activeLevelChanged(ActiveLevel());
}

GridLevel *GridControl::levelOfView(const ::GridView *view) const
{
    if (!view)
        return nullptr;
    QList<GridLevel *> pending = m_levels;
    while (!pending.isEmpty()) {
        GridLevel *l = pending.takeFirst();
        if (l->GridView() == view)
            return l;
        pending += l->levels();
    }
    return nullptr;
}

void GridControl::setLevelView(GridLevel *level, ::GridView *view)
{
    if (level)
        level->setGridView(view);
}

void GridControl::adopt(::GridView *view)
{
    for (const ViewEntry &e : m_views)
        if (e.view == view)
            return;
    QObject *object = view->widget();
    m_views.append({object, view});
    view->m_grid = this;
    if (QWidget *s = view->site()) {
        if (s->parentWidget() != this) {
            s->setParent(this);
        }
        s->hide();
    }
    m_viewConnections << connect(object, &QObject::destroyed, this, [this](QObject *gone) {
        for (int i = 0; i < m_views.size(); ++i)
            if (m_views.at(i).object == gone) {
                m_views.removeAt(i);
                break;
            }
        levelsChanged();
    });
}

GridTableView *GridControl::CreateTableView(const QString &name)
{
    auto *view = new GridTableView(this);
    view->setObjectName(name);
    adopt(view);
    return view;
}

GridBandedTableView *GridControl::CreateBandedTableView(const QString &name)
{
    auto *view = new GridBandedTableView(this);
    view->setObjectName(name);
    adopt(view);
    return view;
}

GridChartView *GridControl::CreateChartView(const QString &name)
{
    auto *view = new GridChartView(this);
    view->setObjectName(name);
    adopt(view);
    return view;
}

GridCardView *GridControl::CreateCardView(const QString &name)
{
    auto *view = new GridCardView(this);
    view->setObjectName(name);
    adopt(view);
    return view;
}

::GridView *GridControl::Views(int index) const
{
    return index >= 0 && index < m_views.size() ? m_views.at(index).view : nullptr;
}

bool GridControl::ViewExists(const ::GridView *view) const
{
    if (!view)
        return false;
    for (const ViewEntry &e : m_views)
        if (e.view == view)
            return true;
    return false;
}

::GridView *GridControl::ActiveView() const
{
    GridLevel *level = ActiveLevel();
    return level ? level->GridView() : nullptr;
}

void GridControl::optionsChanged()
{
    levelsChanged();
}

void GridControl::levelsChanged()
{
    refreshTabs();
    relayout();
}

void GridControl::refreshTabs()
{
    const bool show = RootLevelOptions.DetailTabsPosition != dtpNone && !m_levels.isEmpty();
    if (!show) {
        if (m_tabs) {
            m_tabs->deleteLater();
            m_tabs->hide();
            m_tabs = nullptr;
        }
        return;
    }
    if (!m_tabs) {
        m_tabs = new QTabBar(this);
        m_tabs->setObjectName(QStringLiteral("detailTabs"));
        m_tabs->setDrawBase(true);
        connect(m_tabs, &QTabBar::currentChanged, this, [this](int i) {
            if (m_refreshingTabs)
                return;
            const QList<GridLevel *> visible = visibleTopLevels();
            if (i >= 0 && i < visible.size())
                setActiveLevel(visible.at(i));
        });
    }
    m_refreshingTabs = true;
    m_tabs->setShape(RootLevelOptions.DetailTabsPosition == dtpLeft ? QTabBar::RoundedWest : QTabBar::RoundedNorth);
    const QList<GridLevel *> visible = visibleTopLevels();
    while (m_tabs->count() > visible.size())
        m_tabs->removeTab(m_tabs->count() - 1);
    for (int i = 0; i < visible.size(); ++i) {
        GridLevel *l = visible.at(i);
        QString text = l->Caption;
        if (text.isEmpty() && l->GridView())
            text = l->GridView()->Name();
        if (text.isEmpty())
            text = l->Name();
        if (i < m_tabs->count())
            m_tabs->setTabText(i, text);
        else
            m_tabs->addTab(text);
    }
    m_tabs->setCurrentIndex(int(visible.indexOf(ActiveLevel())));
    m_tabs->show();
    m_refreshingTabs = false;
}

void GridControl::relayout()
{
    QRect area = rect();
    if (m_tabs) {
        const QSize hint = m_tabs->sizeHint();
        if (RootLevelOptions.DetailTabsPosition == dtpLeft) {
            m_tabs->setGeometry(0, 0, hint.width(), height());
            area.setLeft(hint.width());
        } else {
            m_tabs->setGeometry(0, 0, width(), hint.height());
            area.setTop(hint.height());
        }
    }
    ::GridView *active = ActiveView();
    QWidget *activeSite = active ? active->site() : nullptr;
    for (const ViewEntry &e : m_views) {
        QWidget *s = e.view->site();
        if (!s || s == activeSite)
            continue;
        s->hide();
    }
    if (activeSite) {
        activeSite->setGeometry(area);
        activeSite->show();
    }
}

void GridControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void GridControl::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    viewPainted();
}

void GridControl::viewPainted()
{
    if (m_paintPending)
        return;
    m_paintPending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_paintPending = false;
        guard([this] { Paint(); });
    }, Qt::QueuedConnection);
}
