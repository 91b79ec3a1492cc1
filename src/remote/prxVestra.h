#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

// Application-wide defaults of the grid components' data access. Empty at start: the
// components then work over their own database connection.
extern QString TecnologiaPadrao;
extern QPointer<QObject> RemoteServerPadrao;
extern QPointer<QObject> ConexaoSCPadrao;
extern QString DiretorioExportacaoPadrao;
