#pragma once
// What sorrelx does: write or remove the registration of the file-manager
// extension under its class identifier in the store's HKEY_CLASSES_ROOT hive.
//
//   CLSID\{36149D54-2BCC-4f99-8F57-F3F26F403048}\InProcServer32
//       (default)        REG_SZ  the extension library's path
//       ThreadingModel   REG_SZ  "Apartment"
//
// Every failure is silent; nothing here throws except on lack of memory.

#include <string>
#include <vector>

class CShellExtRegistration {
public:
    static constexpr const char* CLASS_ID = "{36149D54-2BCC-4f99-8F57-F3F26F403048}";

    // The path arrives without blanks: each blank written as "_", each
    // underscore as "?". Decoding replaces "_" by a blank, then "?" by "_".
    static std::string DecodeLibraryPath(const std::string& encoded);

    static void Register(const std::string& libraryPath);
    static void Unregister();

    // The whole program: the first argument is the encoded path (empty when
    // missing); a second argument of exactly "uninstall" unregisters, anything
    // else registers. Always returns 0.
    static int Run(const std::vector<std::string>& arguments);
};
