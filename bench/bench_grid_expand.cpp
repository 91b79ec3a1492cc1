// Expanding and collapsing all groups of a million sessions grouped by one column, shown,
// against a stable sort of the same rows by that column.
#include "GridBench.h"

using namespace gridbench;

int main(int argc, char *argv[])
{
    start(argc, argv);
    QApplication app(argc, argv);
    const Pools pools;
    ClientDataSet ds;
    load(ds, pools, 1000000);
    Shown shown(ds);
    shown.view->groupBy(shown.view->ColumnByFieldName(QStringLiteral("Login")));
    shown.paint();
    GridDataController *dc = shown.view->DataController();
    const int field = ds.fieldIndex(QStringLiteral("Login"));
    std::vector<double> sorts, expands, collapses;
    for (int k = 0; k < 5; ++k) {
        sorts.push_back(stableSortMs(ds, field));
        expands.push_back(msOf([&] {
            dc->FullExpand();
            shown.paint();
        }));
        if (shown.view->rowCountShown() != 1000000 + dc->groupCount())
            return 1;
        collapses.push_back(msOf([&] {
            dc->FullCollapse();
            shown.paint();
        }));
    }
    const double s = median(sorts);
    const double e = median(expands);
    const double c = median(collapses);
    std::printf("stable sort of 1M rows by Login:    %.1f ms\n", s);
    std::printf("expanding all %d groups, shown:    %.1f ms\n", dc->groupCount(), e);
    std::printf("collapsing all groups, shown:       %.1f ms\n", c);
    std::printf("grid_expand: ratio %.2f (goal <= 2)\n", std::max(e, c) / s);
    return 0;
}
