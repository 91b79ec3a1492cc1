#pragma once

#include "GridView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class GridBandedTableView;
class GridCardView;
class GridChartView;
class GridControl;
class GridTableView;
class QTabBar;

// Where a level shows the tabs of its child levels.
enum GridDetailTabsPosition { dtpNone, dtpLeft, dtpTop };

// A level of a grid: shows one view. Top levels are the grid's pages (tabs when the
// root level shows them); the child levels of a level hold the detail views of its
// master records.
class GridLevel : public QObject
{
    Q_OBJECT
public:
    QString Name() const { return objectName(); }
    QString Caption;

    // The view the level shows (none at first).
    ::GridView *GridView() const;
    void setGridView(::GridView *view);

    bool Visible() const { return m_visible; }
    void setVisible(bool visible);

    // Child levels
    GridLevel *Add(const QString &name = QString());
    const QList<GridLevel *> &levels() const { return m_levels; }
    int Count() const { return int(m_levels.size()); }
    GridLevel *Items(int index) const { return m_levels.value(index); }
    GridLevel *parentLevel() const { return m_parent; }
    GridControl *grid() const { return m_grid; }

    struct {
        GridDetailTabsPosition DetailTabsPosition = dtpNone;
    } Options;

private:
    friend class GridControl;
    GridLevel(GridControl *grid, GridLevel *parent);

    GridControl *m_grid;
    GridLevel *m_parent;
    QPointer<QWidget> m_viewWidget;
    ::GridView *m_view = nullptr;
    bool m_visible = true;
    QList<GridLevel *> m_levels;
};

// A grid: levels of views, one of them on screen (the active level), with tabs for the
// top levels when the root level shows them. The grid owns the views it creates.
class GridControl : public QWidget
{
    Q_OBJECT
public:
    explicit GridControl(QWidget *parent = nullptr);
    ~GridControl() override;

    // Levels
    GridLevel *CreateLevel(const QString &name = QString());
    const QList<GridLevel *> &Levels() const { return m_levels; }
    GridLevel *ActiveLevel() const;
    void setActiveLevel(GridLevel *level);
    // The level (at any depth) that shows `view`, or none.
    GridLevel *levelOfView(const ::GridView *view) const;
    void setLevelView(GridLevel *level, ::GridView *view);

    // Views, in creation order
    GridTableView *CreateTableView(const QString &name = QString());
    GridBandedTableView *CreateBandedTableView(const QString &name = QString());
    GridChartView *CreateChartView(const QString &name = QString());
    GridCardView *CreateCardView(const QString &name = QString());
    int ViewCount() const { return int(m_views.size()); }
    ::GridView *Views(int index) const;
    // Whether `view` still belongs to the grid.
    bool ViewExists(const ::GridView *view) const;
    // The view of the active level, or none.
    ::GridView *ActiveView() const;

    struct {
        GridDetailTabsPosition DetailTabsPosition = dtpNone;
    } RootLevelOptions;
    struct {
        bool NativeStyle = true;
    } LookAndFeel;
    // Applies RootLevelOptions and LookAndFeel.
    void optionsChanged();

    // The tabs of the top levels while they are shown, else none.
    QTabBar *detailTabs() const { return m_tabs; }

signals:
    void activeLevelChanged(GridLevel *level);

protected:
    // The paint hook: runs after the grid or one of its views has painted (once for a
    // burst of paints, outside painting, inside the error guard).
    virtual void Paint() {}

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class GridView;
    friend class GridLevel;
    void adopt(::GridView *view);
    void viewPainted();
    void levelsChanged();
    void relayout();
    void refreshTabs();
    QList<GridLevel *> visibleTopLevels() const;

    QList<GridLevel *> m_levels;
    struct ViewEntry
    {
        QObject *object;
        ::GridView *view;
    };
    QList<ViewEntry> m_views;
    QList<QMetaObject::Connection> m_viewConnections;
    QPointer<GridLevel> m_active;
    QTabBar *m_tabs = nullptr;
    bool m_paintPending = false;
    bool m_refreshingTabs = false;
};
