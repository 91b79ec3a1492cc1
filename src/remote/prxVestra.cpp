#include "prxVestra.h"

QString TecnologiaPadrao;
QPointer<QObject> RemoteServerPadrao;
QPointer<QObject> ConexaoSCPadrao;
QString DiretorioExportacaoPadrao;
