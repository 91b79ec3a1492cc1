#pragma once

#include <QString>
#include <QtGlobal>

// The program's loadable modules: parts that need a large library (Qt Network for the
// application server, Qt Charts for the chart view) are built as modules and loaded the
// first time they are used, so the window shows without loading those libraries.
//
// A module is looked for in $GERLOCK_MODULE_DIR, then beside the program, then in
// ../lib/gerenciador-lock from the program's folder. It stays loaded for the rest of the
// run. Returns the module's exported function `function` (extern "C"); throws KvoError
// naming the module and the loader's reason when it cannot be had.
QFunctionPointer moduleFunction(const QString &module, const char *function);
