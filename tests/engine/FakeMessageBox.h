#pragma once
// Answers message boxes in tests and remembers what was shown.

#include <string>
#include <vector>

#include "engine/CMessageBox.h"

class CFakeMessageBox : public CMessageBox {
public:
    std::vector<std::pair<std::string, EIcon>> arrShown;
    EAnswer answer = EAnswer::Ok;

    EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons) override {
        arrShown.emplace_back(strText, icon);
        return answer;
    }
};
