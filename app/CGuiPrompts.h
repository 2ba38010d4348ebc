#pragma once
// The window's answer to the engine's message boxes (QMessageBox). A box counts as a
// modal window of the main window, so that list edits arriving meanwhile wait. The
// password question is dialogs/CPasswordDialog behind CDialogPasswordPrompt.

#include <string>

#include "engine/CMessageBox.h"

class CQuarnelDlg;

class CGuiMessageBox : public CMessageBox {
public:
    explicit CGuiMessageBox(CQuarnelDlg& dlg) : m_dlg(dlg) {}
    EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons buttons = EButtons::Ok) override;

private:
    CQuarnelDlg& m_dlg;
};
