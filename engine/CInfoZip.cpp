#include "engine/CInfoZip.h"

#include <dlfcn.h>

CInfoZip::~CInfoZip() {
    Unload();
}

bool CInfoZip::Load(const std::string& strPath) {
    if (IsLoaded()) {
        return true;
    }
    pLibrary = dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!pLibrary) {
        const char* text = dlerror();
        nLastError = LOAD_FAILED;
        strLastError = text ? text : strPath + ": cannot be loaded";
        return false;
    }
    pVersion = reinterpret_cast<GetUnzDllVersionFn>(dlsym(pLibrary, "GetUnzDllVersion"));
    pExec = reinterpret_cast<UnzDllExecFn>(dlsym(pLibrary, "UnzDllExec"));
    if (!pVersion || !pExec) {
        nLastError = ENTRY_MISSING;
        strLastError = strPath + ": " + (pVersion ? "UnzDllExec" : "GetUnzDllVersion") + " is missing";
        Unload();
        return false;
    }
    return true;
}

int CInfoZip::Exec(const UnzDllParams& params) {
    if (!IsLoaded()) {
        return EXEC_NOT_LOADED;
    }
    return pExec(&params);
}

int CInfoZip::GetVersion() {
    if (!IsLoaded()) {
        nLastError = NOT_LOADED_ERROR;
        return 0;
    }
    return pVersion();
}

bool CInfoZip::Unload() {
    if (pLibrary) {
        dlclose(pLibrary);
    }
    pLibrary = nullptr;
    pExec = nullptr;
    pVersion = nullptr;
    return true;
}

void CInfoZip::FillDefaults(UnzDllParams& params) {
    params = UnzDllParams{};
    params.nReserved0 = UNZ_PARAM_RESERVED0;
    params.pCaller = nullptr;
    params.nVersion = GetVersion();
    params.pCallback = nullptr;
    params.nReserved16 = UNZ_PARAM_RESERVED16;
    params.nReserved20 = UNZ_PARAM_RESERVED20;
    params.pszPassword = UNZ_DEFAULT_PASSWORD;
    params.nTest = 0;
    params.nReserved32 = UNZ_PARAM_RESERVED32;
    params.nReserved36 = UNZ_PARAM_RESERVED36;
    params.nReserved40 = UNZ_PARAM_RESERVED40;
    params.nReserved44 = UNZ_PARAM_RESERVED44;
    params.nReserved48 = UNZ_PARAM_RESERVED48;
    params.nReserved52 = UNZ_PARAM_RESERVED52;
    params.nReserved56 = UNZ_PARAM_RESERVED56;
    params.nReserved60 = UNZ_PARAM_RESERVED60;
    params.nReserved64 = UNZ_PARAM_RESERVED64;
    params.pszArchive = nullptr;
    params.nReserved72 = UNZ_PARAM_RESERVED72;
}
