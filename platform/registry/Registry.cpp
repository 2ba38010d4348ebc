#include "platform/registry/Registry.h"

#include <new>

#include "platform/registry/CRegistryStore.h"

namespace {

// No exception leaves a registry call: running out of memory is an error code.
template <typename F>
LSTATUS Guarded(F f) {
    try {
        return f(CRegistryStore::Instance());
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    } catch (...) {
        return ERROR_CANTWRITE;
    }
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result) {
    return Guarded([&](CRegistryStore& s) { return s.OpenKey(key, subKey, access, false, result, nullptr); });
}

LSTATUS RegCreateKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result,
                       std::uint32_t* disposition) {
    return Guarded(
        [&](CRegistryStore& s) { return s.OpenKey(key, subKey, access, true, result, disposition); });
}

LSTATUS RegQueryValueEx(HKEY key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) {
    return Guarded([&](CRegistryStore& s) { return s.QueryValue(key, name, type, data, size); });
}

LSTATUS RegSetValueEx(HKEY key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size) {
    return Guarded([&](CRegistryStore& s) { return s.SetValue(key, name, type, data, size); });
}

LSTATUS RegDeleteValue(HKEY key, const std::string& name) {
    return Guarded([&](CRegistryStore& s) { return s.DeleteValue(key, name); });
}

LSTATUS RegDeleteKey(HKEY key, const std::string& subKey) {
    return Guarded([&](CRegistryStore& s) { return s.DeleteKey(key, subKey); });
}

LSTATUS RegFlushKey(HKEY key) {
    return Guarded([&](CRegistryStore& s) { return s.FlushKey(key); });
}

LSTATUS RegCloseKey(HKEY key) {
    return Guarded([&](CRegistryStore& s) { return s.CloseKey(key); });
}

std::string RegHiveFilePath(HKEY root) {
    try {
        return CRegistryStore::Instance().HiveFilePath(root);
    } catch (...) {
        return {};
    }
}
