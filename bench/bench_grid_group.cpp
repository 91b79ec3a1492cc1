// Grouping a million sessions by one column (997 logins) against a stable sort of the
// same rows by that column.
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
    GridColumn *login = shown.view->ColumnByFieldName(QStringLiteral("Login"));
    const int field = ds.fieldIndex(QStringLiteral("Login"));
    std::vector<double> sorts, groups;
    for (int k = 0; k < 5; ++k) {
        sorts.push_back(stableSortMs(ds, field));
        groups.push_back(msOf([&] {
            shown.view->groupBy(login);
            shown.paint();
        }));
        shown.view->ungroup(login);
        shown.paint();
    }
    const double s = median(sorts);
    const double g = median(groups);
    std::printf("stable sort of 1M rows by Login: %.1f ms\n", s);
    std::printf("grouping by Login, shown:        %.1f ms\n", g);
    std::printf("grid_group: ratio %.2f (goal <= 2)\n", g / s);
    return 0;
}
