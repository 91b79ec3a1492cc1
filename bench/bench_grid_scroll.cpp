// Scrolling a table view of a million sessions: the rows whose values are read (data()
// calls) at each position against the rows the viewport shows.
#include "GridBench.h"

#include "TableViewModel.h"

#include <QScrollBar>

#include <set>

using namespace gridbench;

int main(int argc, char *argv[])
{
    start(argc, argv);
    QApplication app(argc, argv);
    const Pools pools;
    const int n = 1000000;
    ClientDataSet ds;
    load(ds, pools, n);
    Shown shown(ds);
    GridTableView *v = shown.view.get();
    std::set<int> touched;
    long calls = 0;
    v->viewModel()->setDataObserver([&](const QModelIndex &i, int) {
        ++calls;
        touched.insert(i.row());
    });
    const int rowHeight = v->visualRect(v->viewModel()->index(0, 0)).height();
    const int visible = (v->viewport()->height() + rowHeight - 1) / rowHeight + 1; // a partial row at each end
    QScrollBar *bar = v->verticalScrollBar();
    double worst = 0;
    long totalCalls = 0;
    const int steps = 200;
    for (int s = 0; s < steps; ++s) {
        touched.clear();
        calls = 0;
        bar->setValue(int((qint64(bar->maximum()) * s) / (steps - 1)));
        v->viewport()->repaint();
        worst = std::max(worst, double(touched.size()) / visible);
        totalCalls += calls;
    }
    std::printf("rows on screen: %d; data() calls per position: %.0f\n", visible, double(totalCalls) / steps);
    std::printf("grid_scroll: ratio %.2f (goal <= 1)\n", worst);
    return 0;
}
