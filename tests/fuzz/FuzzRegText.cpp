// Fuzz target: the ".reg" text parser of the registry store. What it keeps of any text
// must survive being written and read again unchanged: the export of the parsed hive
// parses cleanly into a hive with the same export.
#include <cstdlib>
#include <string>

#include "platform/registry/CRegHive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    CRegHive::CParseReport report;
    CRegHive hive = CRegHive::FromRegText("HKEY_CURRENT_USER", strText, report);
    const std::string strExport = hive.ToRegText();
    CRegHive::CParseReport again;
    CRegHive reread = CRegHive::FromRegText("HKEY_CURRENT_USER", strExport, again);
    if (!again.IsClean() || reread.ToRegText() != strExport) {
        std::abort();  // what the store wrote would not read back as it was
    }
    return 0;
}
