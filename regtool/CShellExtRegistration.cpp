#include "regtool/CShellExtRegistration.h"

#include "platform/registry/Registry.h"

namespace {

const REGSAM ACCESS = KEY_READ | KEY_WRITE;  // 0x2001F

LSTATUS SetText(HKEY key, const std::string& name, const std::string& text) {
    // The stored size is the text's own length plus its terminating NUL.
    return RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                         static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace

std::string CShellExtRegistration::DecodeLibraryPath(const std::string& encoded) {
    std::string path = encoded;
    for (char& c : path) {
        if (c == '_')
            c = ' ';
    }
    for (char& c : path) {
        if (c == '?')
            c = '_';
    }
    return path;
}

void CShellExtRegistration::Register(const std::string& libraryPath) {
    const std::string keyPath = std::string("CLSID\\") + CLASS_ID + "\\InProcServer32";
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, keyPath, ACCESS, &key) != ERROR_SUCCESS &&
        RegCreateKeyEx(HKEY_CLASSES_ROOT, keyPath, ACCESS, &key) != ERROR_SUCCESS) {
        return;
    }
    SetText(key, "", libraryPath);
    SetText(key, "ThreadingModel", "Apartment");
    RegCloseKey(key);
}

void CShellExtRegistration::Unregister() {
    HKEY clsid = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, "CLSID", ACCESS, &clsid) != ERROR_SUCCESS)
        return;
    // A key that still has other sub-keys stays.
    RegDeleteKey(clsid, std::string(CLASS_ID) + "\\InProcServer32");
    RegDeleteKey(clsid, CLASS_ID);
    RegCloseKey(clsid);
}

int CShellExtRegistration::Run(const std::vector<std::string>& arguments) {
    try {
        const std::string first = arguments.size() > 0 ? arguments[0] : std::string();
        const bool uninstall = arguments.size() > 1 && arguments[1] == "uninstall";
        if (uninstall) {
            Unregister();
        } else {
            Register(DecodeLibraryPath(first));
        }
    } catch (...) {
        // Whatever went wrong, the tool ends quietly with 0.
    }
    return 0;
}
