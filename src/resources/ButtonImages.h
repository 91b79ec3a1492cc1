#pragma once

#include <QImage>

// The 32 x 32 images of the main window's two large buttons, drawn in code.
namespace ButtonImages {
// A funnel over a database cylinder ("Consulta Lock").
QImage consultaLock();
// Two record bars with a red cross ("Elimina Lock").
QImage eliminaLock();
} // namespace ButtonImages
