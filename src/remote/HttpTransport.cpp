#include "HttpTransport.h"

#include "Modules.h"

std::unique_ptr<HttpTransport> createHttpTransport()
{
    using Factory = HttpTransport *(*)();
    static const auto factory =
        reinterpret_cast<Factory>(moduleFunction(QStringLiteral("gerlock-http"), kHttpTransportFactory));
    return std::unique_ptr<HttpTransport>(factory());
}
