// Showing a million sessions of 18 columns in a table view (model built, first paint,
// offscreen) against loading the same rows into the data set alone.
#include "GridBench.h"

using namespace gridbench;

int main(int argc, char *argv[])
{
    start(argc, argv);
    QApplication app(argc, argv);
    const Pools pools;
    const int n = 1000000;
    std::vector<double> loads, shows;
    for (int k = 0; k < 3; ++k) {
        ClientDataSet ds;
        loads.push_back(msOf([&] { load(ds, pools, n); }));
        std::unique_ptr<Shown> shown;
        shows.push_back(msOf([&] { shown = std::make_unique<Shown>(ds); }));
        if (shown->view->rowCountShown() != n)
            return 1;
    }
    const double l = median(loads);
    const double s = median(shows);
    std::printf("load 1M rows x 18 columns into the data set: %.1f ms\n", l);
    std::printf("table view over them, model and first paint:  %.1f ms\n", s);
    std::printf("grid_show: ratio %.2f (goal <= 2)\n", s / l);
    return 0;
}
