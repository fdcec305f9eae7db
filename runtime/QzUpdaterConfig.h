#pragma once

#include <string>

// Puts into the updater's settings file, UpdatePath + "Config.ini", what the updater needs to
// replace this client: the installed version, where the version file lies, how to stop and
// restart the client, what to back up and where, and the update window's title. The file is
// edited as a plain list of name=value lines, whatever its sections, and saved whole with CR LF.
// Raises EInOutError "Cannot open file ..." when the file cannot be loaded (nothing is written
// then) and "Cannot create file ..." when it cannot be saved.
void WriteUpdaterConfig(const std::string& Version, const std::string& Url);
