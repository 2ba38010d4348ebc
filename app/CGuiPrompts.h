#pragma once
// The window's answers to the engine's two small interfaces: message boxes
// (QMessageBox) and the password question. Both count as modal windows of the
// main window, so that list edits arriving meanwhile wait, and the password
// question freezes the progress animations while it is open.

#include <string>

#include "engine/CMessageBox.h"
#include "engine/PasswordStep.h"

class CQuarnelDlg;

class CGuiMessageBox : public CMessageBox {
public:
    explicit CGuiMessageBox(CQuarnelDlg& dlg) : m_dlg(dlg) {}
    EAnswer ShowMessage(const std::string& strText, EIcon icon, EButtons buttons = EButtons::Ok) override;

private:
    CQuarnelDlg& m_dlg;
};

class CGuiPasswordPrompt : public CPasswordPrompt {
public:
    explicit CGuiPasswordPrompt(CQuarnelDlg& dlg) : m_dlg(dlg) {}
    bool AskPassword(const std::string& strArchiveName, std::string& strPassword) override;

private:
    CQuarnelDlg& m_dlg;
};
