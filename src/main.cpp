#include "MemoryPolicy.h"
#include "QtUiServices.h"
#include "Unit1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepFreedMemoryForReuse();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gerenciador-lock"));
    QApplication::setApplicationDisplayName(QStringLiteral("Gerenciador de Lock"));
    QtUiServices services;
    setUi(&services);
    TForm1 Form1;
    Form1.show();
    return QApplication::exec();
}
