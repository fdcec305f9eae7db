#include "ProgramWindow.h"

#include "QzErrors.h"

bool CloseProgramWindow(const std::string&, const TShowStatus&, const TWindowLimits&) {
    throw Exception("not built yet");
}
bool RunProgram(const std::string&, const std::string&, const TShowStatus&, const TWindowLimits&) {
    throw Exception("not built yet");
}
