#pragma once

#include <QString>
#include <QtPlugin>

class GridControl;
class QWidget;

// The kinds of view a grid level can show.
enum class GridViewKind {
    Table,       // data table view
    BandedTable, // data table view with bands over its columns
    Chart,       // data chart view
    Card,        // data card view: one card per record
};

// What every view of a grid offers, whatever widget it is made of. Views are widgets of
// different bases (a tree view, a chart, a list of cards); this interface is the part the
// grid and its users rely on. Each view class also derives from a QWidget class; widget()
// returns that widget, site() the widget a grid level shows (the view with its frame of
// group-by box, footer and the like, or the view itself).
class GridView
{
public:
    virtual ~GridView() = default;

    virtual GridViewKind Kind() const = 0;
    virtual QWidget *widget() = 0;
    virtual const QWidget *widget() const = 0;
    virtual QWidget *site() = 0;

    // The component name.
    QString Name() const;
    void setName(const QString &name);

    // The grid that created the view, or none.
    GridControl *Grid() const { return m_grid; }

    // Update bracket: repainting is held back, and changes that rebuild the view are
    // applied once, at the outermost EndUpdate().
    void BeginUpdate();
    void EndUpdate();
    bool isUpdating() const { return m_updateCount > 0; }

protected:
    // Runs when the outermost bracket ends, before painting resumes.
    virtual void updateEnded() {}
    // Tells the grid that the view has painted (the grid's paint hook).
    void notifyPainted();

private:
    friend class GridControl;
    GridControl *m_grid = nullptr;
    int m_updateCount = 0;
};

#define GridView_iid "br.com.kvo.GridView"
Q_DECLARE_INTERFACE(GridView, GridView_iid)
