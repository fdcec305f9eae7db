#pragma once

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, named prefix plus six random characters;
// the caller removes it. Throws std::runtime_error when it cannot be made.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix);
