#pragma once
// The registry calls of the settings code and of sorrelx, on the file-backed
// store (CRegistryStore). They keep the registry's rules: keys are created on
// open by RegCreateKeyEx, reads report the stored type and size, a too small
// buffer gives ERROR_MORE_DATA, RegDeleteKey removes only a key without
// sub-keys, and every call returns an error code instead of throwing.
// Key and value names are byte strings matched without regard to ASCII case.

#include <cstdint>
#include <string>

#include "platform/registry/RegistryTypes.h"

LSTATUS RegOpenKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result);
LSTATUS RegCreateKeyEx(HKEY key, const std::string& subKey, REGSAM access, HKEY* result,
                       std::uint32_t* disposition = nullptr);
// data may be null to learn type and size; size is in and out (bytes).
LSTATUS RegQueryValueEx(HKEY key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size);
LSTATUS RegSetValueEx(HKEY key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size);
LSTATUS RegDeleteValue(HKEY key, const std::string& name);
LSTATUS RegDeleteKey(HKEY key, const std::string& subKey);
LSTATUS RegFlushKey(HKEY key);
LSTATUS RegCloseKey(HKEY key);

// Where a root's hive file is (for tools and tests).
std::string RegHiveFilePath(HKEY root);
