#include "app/CGuiPrompts.h"

#include "app/CQuarnelDlg.h"

CGuiMessageBox::CGuiMessageBox(CQuarnelDlg& dlg) : CWidgetMessageBox(&dlg), m_dlg(dlg) {}

CMessageBox::EAnswer CGuiMessageBox::ShowMessage(const std::string& strText, EIcon icon, EButtons buttons) {
    m_dlg.EnterModal();
    const EAnswer answer = CWidgetMessageBox::ShowMessage(strText, icon, buttons);
    m_dlg.LeaveModal();
    return answer;
}
