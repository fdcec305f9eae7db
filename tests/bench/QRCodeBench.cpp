#include <benchmark/benchmark.h>

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "qrenc.h"

extern char** environ;

namespace {

// A payment URL of 64 characters, as a unified order hands it to the code pay dialog.
constexpr std::string_view kUrl =
    "weixin://wxpay/bizpayurl?pr=Xb7Kq2Lm9Ns4Tp6Vw1Yz3Ac5De8Fg0Hj2Kl4";
static_assert(kUrl.size() == 64);

std::string Folder() {
    static std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velpay-bench-XXXXXX").string();
        return std::string(mkdtemp(pattern.data())) + "/";
    }();
    return folder;
}

// The call the code pay dialog makes: margin 0, 12 pixels a module, level L, black on white.
void BM_QRCodeToBmp(benchmark::State& state) {
    const std::string file = Folder() + "PayCode.bmp";
    for (auto _ : state) {
        QRCodeToBmp(std::string(kUrl), file, 0, 12, 0, 1, 0, 0, 0, 0x000000, 0xFFFFFF);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_QRCodeToBmp)->Unit(benchmark::kMicrosecond);

// The same symbol from the qrencode tool as a PNG: the yardstick, start-up of the tool included.
void BM_QrencodeToolPng(benchmark::State& state) {
    const std::string file = Folder() + "PayCode.png";
    std::vector<std::string> args{"qrencode", "-o", file, "-s", "12",
                                  "-m",       "0",  "-l", "L",  std::string(kUrl)};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "qrencode", nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || status != 0) {
            state.SkipWithError("qrencode did not run");
            break;
        }
    }
    if (std::filesystem::exists(file)) {
        state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
    }
}
BENCHMARK(BM_QrencodeToolPng)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
