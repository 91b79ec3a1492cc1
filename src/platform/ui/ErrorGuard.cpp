#include "ErrorGuard.h"

#include "Error.h"
#include "UiServices.h"

#include <exception>

bool guard(const std::function<void()> &entryPoint)
{
    try {
        entryPoint();
        return true;
    } catch (const KvoError &e) {
        ui().showError(e.message());
    } catch (const std::exception &e) {
        ui().showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ui().showError(QStringLiteral("Erro desconhecido."));
    }
    return false;
}
