// Writes Parameter/Parameter.dat into a program folder with the fake gateway's fifteen request
// paths, so that a till started from that folder talks to the fake gateway. Merchant parameters
// already in the file are kept; without them the till opens its store initialisation, which
// fetches them from the gateway.
//
//   make_parameter_file <program folder>

#include <cstdio>
#include <filesystem>

#include "FakeGatewayPaths.h"
#include "QzParameterFile.h"
#include "QzRuntimeGlobal.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_parameter_file <program folder>\n");
        return 2;
    }
    AppPath = argv[1];
    if (AppPath.back() != '/') {
        AppPath += '/';
    }
    const std::string file = AppPath + "Parameter/Parameter.dat";
    std::error_code ec;
    std::filesystem::create_directories(AppPath + "Parameter", ec);
    if (std::filesystem::exists(file)) {
        LoadParameterFile();
    }
    PointPathsAtFakeGateway();
    const TRequestUrl wanted = RequestUrls;
    SaveParameterFile();

    // The save logs its failures and goes on; reading the file back tells whether it worked.
    RequestUrls = TRequestUrl{};
    LoadParameterFile();
    if (RequestUrls.microPayUrl != wanted.microPayUrl ||
        RequestUrls.syyUpdPwdUrl != wanted.syyUpdPwdUrl) {
        std::fprintf(stderr, "make_parameter_file: %s could not be written (see %sLog)\n",
                     file.c_str(), AppPath.c_str());
        return 1;
    }
    std::printf("%s\n", file.c_str());
    return 0;
}
