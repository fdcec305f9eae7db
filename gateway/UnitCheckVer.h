#pragma once

#include "HttpClient.h"

// Asks the gateway's server whether it offers a newer client than this one, by the version file
// BaseUrl + "/download/Update.txt".
class TCheckVer {
public:
    // True only when the file's "ver" value sorts after the client's own version as text
    // (CompareTextIgnoreCase: 1.0.6, 1.1 and 1.0.5.1 are newer, 1.0.10 is not). Every failure
    // gives false after one line in the log; nothing is raised.
    bool HaveNewVer();

private:
    THttpClient HttpClient;
};
