#include "ServiceControl.h"

#include "QzErrors.h"

bool StopServiceByName(const std::string&, const TServiceLimits&) {
    throw Exception("not built yet");
}
bool StartServiceByName(const std::string&, const TServiceLimits&) {
    throw Exception("not built yet");
}
