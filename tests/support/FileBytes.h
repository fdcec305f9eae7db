// Files the tests set up and the programs leave behind, read and written as the bytes on disk:
// the tills hold code page 936 and CR LF, which no text mode may touch.
#pragma once

#include <filesystem>
#include <string>

// The whole file; empty when it is missing or cannot be read.
std::string ReadBytes(const std::filesystem::path& file);

// Replaces the file by bytes, making the folders above it first.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
