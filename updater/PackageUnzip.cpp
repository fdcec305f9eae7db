#include "PackageUnzip.h"

#include "QzErrors.h"

void UnZipFiles(const std::string&, const std::string&, TUnzipEvents&) {
    throw Exception("not built yet");
}
bool MatchesWildcard(const std::string&, const std::string&) {
    throw Exception("not built yet");
}
