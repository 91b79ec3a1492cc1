// Grouping, expanding and collapsing all groups: a million sessions against a hundred
// thousand. The worst of the three ratios.
#include "GridBench.h"

using namespace gridbench;

namespace {
struct Times
{
    double group, expand, collapse;
};

Times measure(const Pools &pools, int n)
{
    ClientDataSet ds;
    load(ds, pools, n);
    Shown shown(ds);
    GridColumn *login = shown.view->ColumnByFieldName(QStringLiteral("Login"));
    GridDataController *dc = shown.view->DataController();
    std::vector<double> g, e, c;
    for (int k = 0; k < 5; ++k) {
        g.push_back(msOf([&] {
            shown.view->groupBy(login);
            shown.paint();
        }));
        e.push_back(msOf([&] {
            dc->FullExpand();
            shown.paint();
        }));
        c.push_back(msOf([&] {
            dc->FullCollapse();
            shown.paint();
        }));
        shown.view->ungroup(login);
        shown.paint();
    }
    return {median(g), median(e), median(c)};
}
} // namespace

int main(int argc, char *argv[])
{
    start(argc, argv);
    QApplication app(argc, argv);
    const Pools pools;
    const Times small = measure(pools, 100000);
    const Times large = measure(pools, 1000000);
    std::printf("group    100k: %7.1f ms   1M: %7.1f ms\n", small.group, large.group);
    std::printf("expand   100k: %7.1f ms   1M: %7.1f ms\n", small.expand, large.expand);
    std::printf("collapse 100k: %7.1f ms   1M: %7.1f ms\n", small.collapse, large.collapse);
    const double worst = std::max({large.group / small.group, large.expand / small.expand,
                                   large.collapse / small.collapse});
    std::printf("grid_scale: ratio %.2f (goal <= 12)\n", worst);
    return 0;
}
