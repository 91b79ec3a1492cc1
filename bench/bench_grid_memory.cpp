// Memory of a table view showing a million sessions: the data set with the view against
// the data set alone (heap in use, from the C library).
#include "GridBench.h"

using namespace gridbench;

int main(int argc, char *argv[])
{
    start(argc, argv);
    QApplication app(argc, argv);
    const Pools pools;
    const int n = 1000000;
    ClientDataSet ds;
    const double before = heapBytes();
    load(ds, pools, n);
    const double dataSet = heapBytes() - before;
    Shown shown(ds);
    const double view = heapBytes() - before - dataSet;
    // Sorted and grouped the view keeps an order of its own.
    shown.view->ColumnByFieldName(QStringLiteral("Login"))->setSortOrder(GridSortOrder::Ascending);
    shown.view->groupBy(shown.view->ColumnByFieldName(QStringLiteral("HostName")));
    shown.view->DataController()->FullExpand();
    shown.paint();
    const double grouped = heapBytes() - before - dataSet;
    const double worst = std::max(view, grouped);
    std::printf("data set, 1M rows x 18 columns:        %.1f MB\n", dataSet / 1e6);
    std::printf("table view over it:                     %.1f MB\n", view / 1e6);
    std::printf("the same sorted, grouped, all expanded: %.1f MB\n", grouped / 1e6);
    std::printf("grid_memory: ratio %.2f (goal <= 2)\n", (dataSet + worst) / dataSet);
    return 0;
}
