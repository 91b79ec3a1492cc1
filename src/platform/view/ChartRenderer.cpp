#include "ChartRenderer.h"

#include "Modules.h"

std::unique_ptr<ChartRenderer> createChartRenderer(QWidget *parent)
{
    using Factory = ChartRenderer *(*)(QWidget *);
    static const auto factory =
        reinterpret_cast<Factory>(moduleFunction(QStringLiteral("gerlock-charts"), kChartRendererFactory));
    return std::unique_ptr<ChartRenderer>(factory(parent));
}
