// unzdll-run: extracts or tests one ZIP file into the current directory through
// libunzdll.so, loaded with dlopen exactly as the program loads it. Used by
// bench/unzdll.sh to time the library against the usual command-line tools.
//   unzdll-run [-t] [-q] [-p password] archive.zip
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "companions/unzdll/unzdll.h"

namespace {

bool g_bQuiet = false;

int OnMessage(UnzDllMessage* pMessage) {
    if (pMessage->nType == UNZ_MSG_PROGRESS) {
        return 0;
    }
    if (!g_bQuiet || pMessage->nType == UNZ_MSG_ERROR) {
        std::printf("%d %d %s\n", pMessage->nType, pMessage->nErrorCode, pMessage->pszText);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool bTest = false;
    const char* pszPassword = UNZ_DEFAULT_PASSWORD;
    const char* pszArchive = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-t") == 0) {
            bTest = true;
        } else if (std::strcmp(argv[i], "-q") == 0) {
            g_bQuiet = true;
        } else if (std::strcmp(argv[i], "-p") == 0 && i + 1 < argc) {
            pszPassword = argv[++i];
        } else {
            pszArchive = argv[i];
        }
    }
    if (pszArchive == nullptr) {
        std::fprintf(stderr, "usage: unzdll-run [-t] [-q] [-p password] archive.zip\n");
        return 2;
    }
    std::string strLibrary = std::string(HARVEX_BIN_DIR) + "/libunzdll.so";
    void* pLibrary = dlopen(strLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (pLibrary == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto pExec = reinterpret_cast<UnzDllExecFn>(dlsym(pLibrary, "UnzDllExec"));
    auto pVersion = reinterpret_cast<GetUnzDllVersionFn>(dlsym(pLibrary, "GetUnzDllVersion"));
    if (pExec == nullptr || pVersion == nullptr) {
        std::fprintf(stderr, "entry points missing\n");
        return 2;
    }
    UnzDllParams params{};
    params.nVersion = pVersion();
    params.pCallback = &OnMessage;
    params.pszPassword = pszPassword;
    params.nTest = bTest ? 1 : 0;
    params.nReserved44 = UNZ_PARAM_RESERVED44;
    params.nReserved56 = UNZ_PARAM_RESERVED56;
    params.nReserved60 = UNZ_PARAM_RESERVED60;
    params.nReserved72 = UNZ_PARAM_RESERVED72;
    params.pszArchive = pszArchive;
    int nResult = pExec(&params);
    dlclose(pLibrary);
    return nResult;
}
