#include "engine/PasswordStep.h"

#include "engine/CRegisteredMessages.h"
#include "engine/ExtractReport.h"

EPasswordDecision DecidePassword(CPasswordStepState& state) {
    std::vector<std::string> arrScratch;
    std::vector<std::string>& arrErrors = state.pErrors ? *state.pErrors : arrScratch;
    const std::string strShown = PathInInput(state.strArchive, state.strInputPath);
    const bool bAsked = state.pPasswordAsked && *state.pPasswordAsked != 0;

    if (state.bPasswordPrompt && state.pPrompt && !bAsked) {
        const std::size_t nSlash = state.strArchive.rfind('/');
        const std::string strName =
            nSlash == std::string::npos ? state.strArchive : state.strArchive.substr(nSlash + 1);
        std::string strTyped;
        const bool bOk = state.pPrompt->AskPassword(strName, strTyped);
        if (state.pPasswordAsked) {
            *state.pPasswordAsked = 1;
        }
        if (bOk) {
            if (state.pPassword) {
                *state.pPassword = strTyped;
            }
            if (state.pArchivesDone) {
                --*state.pArchivesDone;
            }
            return EPasswordDecision::RunAgain;
        }
        AddReportLine(arrErrors, "Skipped password protected file  " + strShown, 1);
        return EPasswordDecision::FileDone;
    }
    if (state.bPasswordPrompt && state.pPrompt) {
        AddReportLine(arrErrors, strShown + ":  Wrong password", 1);
        return EPasswordDecision::FileDone;
    }
    AddReportLine(arrErrors, "Skipped password protected file  " + strShown, 1);
    return EPasswordDecision::FileDone;
}

int OnPasswordNeeded(CPasswordStepState& state, int nCurrentFile, QObject* pTarget) {
    const CRegisteredMessages& messages = CRegisteredMessages::Get();
    if (DecidePassword(state) == EPasswordDecision::RunAgain) {
        PostRegisteredMessage(pTarget, messages.UWM_PROCESS_FILE, nCurrentFile, 0);
    } else {
        PostRegisteredMessage(pTarget, messages.UWM_FILE_DONE, 0, 0);
    }
    return 1;
}
