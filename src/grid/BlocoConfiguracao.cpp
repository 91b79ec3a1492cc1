#include "BlocoConfiguracao.h"

#include "VclColor.h"

namespace BlocoConfiguracao {

QString obtemTag(const QByteArray &documento, const QString &tag)
{
    const QByteArray abertura = ('<' + tag + '>').toLatin1();
    const QByteArray fechamento = ("</" + tag + '>').toLatin1();
    const qsizetype p = documento.indexOf(abertura);
    if (p < 0)
        return tag == QLatin1String("LEG-BKG-VALOR") ? QStringLiteral("0") : QStringLiteral("clDefault");
    const qsizetype inicio = p + abertura.size();
    const qsizetype q = documento.indexOf(fechamento);
    if (q < inicio)
        return QString();
    return QString::fromLatin1(documento.mid(inicio, q - inicio));
}

bool le(const QByteArray &documento, const std::function<void(Elemento, qint64)> &aplica)
{
    const qsizetype p = documento.indexOf("<CONFIGURACAO>");
    if (p < 0)
        return false;
    const QByteArray bloco = documento.mid(p, qMax<qsizetype>(0, documento.size() - p - 2));
    const struct
    {
        const char *tag;
        Elemento elemento;
    } cores[] = {
        {"COR-BKG-TITULO", Elemento::CorTitulo},
        {"COR-BKG-TOTTITULO", Elemento::CorTotalTitulo},
        {"COR-BKG-GRUPO", Elemento::CorGrupo},
        {"COR-BKG-LINHA", Elemento::CorLinha},
    };
    for (const auto &c : cores)
        aplica(c.elemento, VclColor::stringToColor(obtemTag(bloco, QLatin1String(c.tag))));
    aplica(Elemento::PosicaoLegenda, VclColor::stringToInt(obtemTag(bloco, QStringLiteral("LEG-BKG-VALOR"))));
    return true;
}
} // namespace BlocoConfiguracao
