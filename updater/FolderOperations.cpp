#include "FolderOperations.h"

#include "QzErrors.h"

void EnsureDir(const std::string&) {
    throw Exception("not built yet");
}
void DeleteDir(const std::string&) {
    throw Exception("not built yet");
}
void CopyDir(const std::string&, const std::string&) {
    throw Exception("not built yet");
}
