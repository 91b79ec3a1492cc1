#pragma once

#include <QImage>
#include <QString>

// The glyphs of the grid command panel's buttons, drawn in code. Each button glyph holds
// two images side by side: the normal one at the left, the disabled one at the right.
namespace PanelGlyphs {
// "DEFAULT", "EXCEL", "HTML", "IMPRESSORA", "SALVAR", "RESTAURAR", "AGRUPAR", "EXPANDIR",
// "GRAFICO": 32 x 16 (two 16 x 16 images). "IMPPOPUP": 44 x 16 (two 22 x 16 images, the
// printer with a small drop-down triangle). "GRIDS": 15 x 12, one image (a small downward
// triangle). Any other name: a null image. Drawn once, then served from a cache.
QImage glyph(const QString &name);
// The names above, in that order.
QStringList names();
} // namespace PanelGlyphs
