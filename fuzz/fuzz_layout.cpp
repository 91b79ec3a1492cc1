// Feeds arbitrary bytes to the readers of a stored grid layout document: the view layout
// block parser and the configuration block reader. Every input must either parse or
// fail with KvoError; a crash, a sanitizer report or another exception is a finding.
// A block that parses is written again and must parse to the same content.
#include "BlocoConfiguracao.h"
#include "Error.h"
#include "GridLayoutBlock.h"

#include <cstdint>
#include <cstdlib>

namespace {
QByteArray reescreve(const GridLayoutBlock::LayoutState &s)
{
    GridLayoutBlock::Writer w;
    w.putInt(s.kind);
    w.putInt(s.options);
    if (s.kind == 1) {
        w.putInt(s.bands.size());
        for (const auto &b : s.bands) {
            w.putText(b.caption);
            w.putInt(b.visible);
        }
    }
    w.putInt(s.columns.size());
    for (const auto &c : s.columns) {
        w.putText(c.name);
        w.putText(c.fieldName);
        w.putText(c.caption);
        w.putInt(c.width);
        w.putInt(c.visible);
        w.putInt(c.properties);
        w.putInt(c.displayFormatAssigned);
        w.putText(c.displayFormat);
        w.putInt(c.groupIndex);
        w.putInt(c.sortOrder);
        w.putInt(c.sortIndex);
        w.putInt(c.bandIndex);
        w.putInt(c.optionBits);
        if (s.options & gsoUseSummary) {
            w.putInt(c.footerKind);
            w.putText(c.footerFormat);
            w.putInt(c.groupFooterKind);
            w.putText(c.groupFooterFormat);
        }
        if (s.options & gsoUseFilter) {
            w.putInt(c.filtered);
            w.putInt(c.filterValues.size());
            for (const QVariant &v : c.filterValues)
                w.putVariant(v);
        }
    }
    return w.finish();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const GridLayoutBlock::LayoutState s = GridLayoutBlock::parse(bytes);
        const GridLayoutBlock::LayoutState again = GridLayoutBlock::parse(reescreve(s));
        if (again.columns.size() != s.columns.size() || again.bands.size() != s.bands.size())
            std::abort();
        for (int i = 0; i < s.columns.size(); ++i)
            if (again.columns[i].name != s.columns[i].name || again.columns[i].caption != s.columns[i].caption
                || again.columns[i].filterValues.size() != s.columns[i].filterValues.size())
                std::abort();
    } catch (const KvoError &) {
    }
    try {
        BlocoConfiguracao::le(bytes, [](BlocoConfiguracao::Elemento, qint64) {});
    } catch (const KvoError &) {
    }
    for (const char *tag : {"COR-BKG-TITULO", "LEG-BKG-VALOR", ""})
        (void)BlocoConfiguracao::obtemTag(bytes, QLatin1String(tag));
    return 0;
}
