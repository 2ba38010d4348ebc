#pragma once
// The window's answer to the engine's message boxes: the dialogs' QMessageBox, counted as
// a modal window of the main window so that list edits arriving meanwhile wait. The
// password question is dialogs/CPasswordDialog behind CDialogPasswordPrompt.

#include <string>

#include "dialogs/CWidgetMessageBox.h"

class CQuarnelDlg;

class CGuiMessageBox : public CWidgetMessageBox {
public:
    explicit CGuiMessageBox(CQuarnelDlg& dlg);
    EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons buttons = EButtons::Ok) override;

private:
    CQuarnelDlg& m_dlg;
};
