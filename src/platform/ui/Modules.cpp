#include "Modules.h"

#include "Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

QFunctionPointer moduleFunction(const QString &module, const char *function)
{
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("GERLOCK_MODULE_DIR");
    if (!fromEnvironment.isEmpty())
        folders << fromEnvironment;
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty())
        folders << programFolder << QDir(programFolder).filePath(QStringLiteral("../lib/gerenciador-lock"));
    QStringList reasons;
    for (const QString &folder : folders) {
        QLibrary library(QDir(folder).filePath(module));
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        if (QFunctionPointer f = library.resolve(function))
            return f;
        reasons << library.errorString();
    }
    throw KvoError(QStringLiteral("Não foi possível carregar o módulo %1: %2")
                       .arg(module, reasons.isEmpty() ? QStringLiteral("a pasta do programa é desconhecida.")
                                                      : reasons.join(QStringLiteral("; "))));
}
