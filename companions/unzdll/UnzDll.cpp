// The two exported entry points of libunzdll.so. Everything else stays hidden.
#include "companions/unzdll/unzdll.h"

#include "companions/unzdll/CUnzipRun.h"

#define UNZ_EXPORT __attribute__((visibility("default")))

extern "C" UNZ_EXPORT int UnzDllExec(const UnzDllParams* pParams) {
    if (pParams == nullptr) {
        return UNZ_ERR_PARAM;
    }
    try {
        CUnzipRun run(*pParams);
        return run.Run();
    } catch (...) {
        // Nothing may unwind into a C caller.
        return UNZ_ERR_INTERNAL;
    }
}

extern "C" UNZ_EXPORT int GetUnzDllVersion(void) {
    return UNZ_DLL_VERSION;
}
