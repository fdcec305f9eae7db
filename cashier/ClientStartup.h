#pragma once

#include <string>

// The client's way from process start to its message loop and back.

// Sets AppExeName and AppTitle from the executable's full path.
void InitAppNames(const std::string& exePath);
// Creates the Config and Parameter folders beside the program.
void EnsureDataDirs();
// Opens ConfigIni and runs the settings loaders in their fixed order.
void LoadConfig();
// Closes ConfigIni.
void FreeConfig();
// True when a newer version was found, the cashier accepted it and the updater was started.
bool CheckNewVersion();

// The process entry; returns the exit code.
int ProgramMain(int argc, char** argv);
