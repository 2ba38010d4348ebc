#include "process/CLineSplitter.h"

std::vector<std::string> CLineSplitter::Feed(std::string_view chunk) {
    std::vector<std::string> arrLines;
    while (!chunk.empty()) {
        const std::size_t nFeed = chunk.find('\n');
        const std::string_view part = chunk.substr(0, nFeed);
        if (!bOverflow) {
            const std::size_t nRoom = MAX_LINE - strPending.size();
            if (part.size() > nRoom) {
                strPending.append(part.substr(0, nRoom));
                bOverflow = true;
            } else {
                strPending.append(part);
            }
        }
        if (nFeed == std::string_view::npos) {
            break;
        }
        if (!strPending.empty() && strPending.back() == '\r') {
            strPending.pop_back();
        }
        arrLines.push_back(std::move(strPending));
        strPending.clear();
        bOverflow = false;
        chunk.remove_prefix(nFeed + 1);
    }
    return arrLines;
}

std::string CLineSplitter::Flush() {
    std::string strLine = std::move(strPending);
    strPending.clear();
    bOverflow = false;
    return strLine;
}
