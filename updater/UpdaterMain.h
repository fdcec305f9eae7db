#pragma once

// The updater's way from process start to its end.

// The update window's class in the form runner's registry, from start to end of the program.
void RegisterUpdaterForm();
void UnregisterUpdaterForm();

// Runs the whole update: the update window is created by its class name, its StartUpdate
// called once, and the window freed (writing Update.log) before this returns.
void RunUpdate();

// The process entry; returns the exit code: 1 when another updater runs or the settings file
// cannot be written back (its reason on standard error, and in a box outside AUTO mode), else 0.
int UpdaterMain(int argc, char** argv);
