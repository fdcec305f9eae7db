#include "UpdaterHandOver.h"

#include "Process.h"
#include "QzRuntimeGlobal.h"
#include "QzUpdaterConfig.h"

void HandOverToUpdater() {
    WriteUpdaterConfig(kClientVersion, SystemSet.BaseUrl + "/download/Update.txt");
    // Quoted, so that an install folder with a blank in its name still starts the updater.
    platform::WinExec("\"" + SystemSet.UpdatePath + "OrvUpdate\"");
}
