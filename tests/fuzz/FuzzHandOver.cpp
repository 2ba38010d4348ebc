// Fuzz target: the single-instance hand-over payload and what the first instance does
// with it. A payload that decodes encodes back to the same bytes; the decision and the
// item selection take any pieces.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CCustomCommandLineInfo.h"
#include "platform/CSingleInstance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize < 1) {
        return 0;
    }
    const uint8_t nFlags = pData[0];
    const std::string strPayload(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    std::vector<std::string> arrPieces;
    if (!CSingleInstance::DecodeArguments(strPayload, arrPieces)) {
        return 0;
    }
    if (CSingleInstance::EncodeArguments(arrPieces) != strPayload) {
        std::abort();
    }
    std::vector<std::string> arrCmdLine;
    CHandOverDecision decision = TakeHandOver(arrPieces, nFlags & 1, nFlags & 2, arrCmdLine);
    if (decision.bAddItems && arrCmdLine.empty()) {
        std::abort();  // items to add, but none taken
    }
    bool bHadPreset = false;
    std::vector<CCommandLineItem> arrItems = SelectCommandLineItems(arrCmdLine, nFlags >> 3, bHadPreset);
    for (const CCommandLineItem& item : arrItems) {
        if (item.nPreset < -1 || item.nPreset >= 20 || IsPresetArgument(item.strPath)) {
            std::abort();
        }
    }
    for (const std::string& strPiece : arrPieces) {
        MakeAbsoluteArgument(strPiece, "/home/user/Downloads");
    }
    return 0;
}
