#include "process/ToolOutputText.h"

#include "process/RarToolTexts.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\b';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

template <typename List>
bool StartsWithAny(std::string_view text, const List& arrPrefixes) {
    for (std::string_view prefix : arrPrefixes) {
        if (text.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsPasswordPromptLine(std::string_view line) {
    const std::string_view text = Trim(line);
    if (StartsWithAny(text, RarToolTexts::NAME_LINE_PREFIXES)) {
        return false;
    }
    if (StartsWithAny(text, RarToolTexts::PROMPT_PREFIXES)) {
        return true;
    }
    if (StartsWithAny(text, RarToolTexts::RETRY_LINE_PREFIXES)) {
        // "Encrypted file:  CRC failed in a.txt (password incorrect ?)"
        std::string_view tail = text;
        if (tail.ends_with(')')) {
            tail.remove_suffix(1);
        }
        return tail.ends_with(RarToolTexts::PASSWORD_INCORRECT) ||
               text.starts_with("The specified password is incorrect");
    }
    return false;
}

bool ReadPercent(std::string_view text, int& nPercent, std::size_t nFrom) {
    std::size_t nPos = text.size();
    while (nPos > 0) {
        nPos = text.rfind('%', nPos - 1);
        if (nPos == std::string_view::npos || nPos < nFrom) {
            return false;
        }
        std::size_t nStart = nPos;
        while (nStart > 0 && nPos - nStart < 3 && text[nStart - 1] >= '0' && text[nStart - 1] <= '9') {
            --nStart;
        }
        if (nStart < nPos) {
            int nValue = 0;
            for (std::size_t i = nStart; i < nPos; ++i) {
                nValue = nValue * 10 + (text[i] - '0');
            }
            if (nValue > 100) {
                return false;
            }
            nPercent = nValue;
            return true;
        }
    }
    return false;
}

void AppendRecentOutput(std::string& strRecent, std::string_view text) {
    if (strRecent.size() > 1000) {
        strRecent.erase(0, strRecent.size() - 500);
    }
    strRecent.append(text);
}

void BlankBackspaces(std::string& strText) {
    for (char& c : strText) {
        if (c == '\b') {
            c = ' ';
        }
    }
}
