// Restoring the layout of a 200-column table view from its layout block against creating
// the same 200 columns by code, each into a fresh view, in the same run.
#include "GridColumn.h"
#include "GridTableView.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kColumns = 200;
constexpr int kRounds = 40;

void createByCode(GridTableView &v)
{
    v.BeginUpdate();
    for (int i = 0; i < kColumns; ++i) {
        GridColumn *c = v.CreateColumn();
        c->setObjectName(QStringLiteral("coluna%1").arg(i));
        c->FieldName = QStringLiteral("CAMPO_%1").arg(i);
        c->Caption = QStringLiteral("Coluna número %1").arg(i);
        c->Width = 40 + i % 100;
        c->Visible = i % 7 != 0;
        if (i % 50 == 0)
            c->Summary.FooterKind = GridSummaryKind::Sum;
    }
    v.EndUpdate();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QByteArray block;
    {
        GridTableView designed;
        createByCode(designed);
        block = designed.StoreToBytes();
    }
    std::vector<double> byCode, restored;
    for (int r = 0; r < kRounds; ++r) {
        {
            GridTableView v;
            QElapsedTimer t;
            t.start();
            createByCode(v);
            byCode.push_back(t.nsecsElapsed() / 1e6);
        }
        {
            GridTableView v;
            QElapsedTimer t;
            t.start();
            v.RestoreFromBytes(block);
            restored.push_back(t.nsecsElapsed() / 1e6);
            if (v.ColumnCount() != kColumns)
                return 1;
        }
    }
    const double c = median(byCode), s = median(restored);
    std::printf("creating %d columns by code:    %.3f ms\n", kColumns, c);
    std::printf("restoring them from the block:  %.3f ms (block of %lld bytes)\n", s, (long long)block.size());
    std::printf("grid_layout: ratio %.2f (goal <= 2)\n", s / c);
    return 0;
}
