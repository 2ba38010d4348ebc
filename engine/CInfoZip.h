#pragma once
// CInfoZip wraps the unzip library libunzdll.so, loaded at run time with dlopen, and its
// two entry points "UnzDllExec" and "GetUnzDllVersion" (companions/unzdll/unzdll.h).
//
// Threads: Load, Unload and FillDefaults run on the main thread while no ZIP worker runs;
// Exec and GetVersion run on the ZIP worker. Not copyable; the destructor unloads.

#include <string>

#include "companions/unzdll/unzdll.h"

class CInfoZip {
public:
    static constexpr int LOAD_FAILED = 1;       // nLastError: dlopen failed
    static constexpr int ENTRY_MISSING = 2;     // nLastError: an entry point is missing
    static constexpr int NOT_LOADED_ERROR = 3;  // nLastError: version asked while not loaded
    static constexpr int EXEC_NOT_LOADED = -1;  // Exec's answer when the library is not loaded

    CInfoZip() = default;
    virtual ~CInfoZip();
    CInfoZip(const CInfoZip&) = delete;
    CInfoZip& operator=(const CInfoZip&) = delete;

    // True when loaded (also when it already was). On failure nLastError and strLastError
    // (the loader's text) say why, and nothing stays loaded.
    bool Load(const std::string& strPath);
    bool IsLoaded() const { return pLibrary && pExec && pVersion; }
    // Calls "UnzDllExec" and answers its result (UNZ_OK or an UNZ_ERR_* code), or
    // EXEC_NOT_LOADED without calling anything.
    int Exec(const UnzDllParams& params);
    // "GetUnzDllVersion"(), or 0 with nLastError 3 when not loaded.
    int GetVersion();
    // Frees the library when loaded and clears the entry points. Always true.
    bool Unload();
    // The constant fields of the parameter record, the default password and the version.
    void FillDefaults(UnzDllParams& params);

    int nLastError = 0;
    std::string strLastError;

private:
    void* pLibrary = nullptr;
    UnzDllExecFn pExec = nullptr;
    GetUnzDllVersionFn pVersion = nullptr;
};
