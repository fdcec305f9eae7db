#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "MyAES.h"
#include "QzParameterFile.h"
#include "QzRuntimeGlobal.h"

// Loads Parameter.dat made from the input. An input that starts with "R" is the file's bytes as
// they are, so the stream decipher meets damaged lengths and blocks; any other input is a plain
// document that is first enciphered, so the parser and the field decipher see what the mutator
// makes of it. The load may log and empty the merchant, never crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string file;
    if (!input.empty() && input[0] == 'R') {
        file = input.substr(1);
    } else {
        TMemoryStream plain(input);
        TMemoryStream enciphered;
        AESEncryptStream(plain, kStoredAESKey, &enciphered, 0);
        file = enciphered.Bytes();
    }
    std::ofstream(AppPath + "Parameter/Parameter.dat", std::ios::binary | std::ios::trunc) << file;

    RequestUrls = {};
    InterfacePRM = {};
    LoadParameterFile();
    folder.AfterRun();
    return 0;
}
