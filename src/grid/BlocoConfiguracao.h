#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The configuration block of a grid layout document: the four user colours and the chart
// value-label position, seven text lines after the view layout block.
namespace BlocoConfiguracao {
enum class Elemento { CorTitulo, CorTotalTitulo, CorGrupo, CorLinha, PosicaoLegenda };

// Content of the element `tag` (without brackets) in the whole of `documento`: between
// the first opening text and the first closing text; "clDefault" (or "0" for
// LEG-BKG-VALOR) when the element is missing; empty when the closing text is not after
// the opening one.
QString obtemTag(const QByteArray &documento, const QString &tag);

// Reads the block of `documento` (from the first "<CONFIGURACAO>" up to the last two
// bytes) and hands each value to `aplica` in the order title, footer, group, row colour,
// value-label position. False, and nothing handed, when there is no block. A conversion
// error throws KvoError at its element: the values before it have been handed.
bool le(const QByteArray &documento, const std::function<void(Elemento, qint64)> &aplica);
} // namespace BlocoConfiguracao
