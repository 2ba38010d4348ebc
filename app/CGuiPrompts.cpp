#include "app/CGuiPrompts.h"

#include <QMessageBox>

#include "app/CQuarnelDlg.h"

CMessageBox::EAnswer CGuiMessageBox::ShowMessage(const std::string& strText, EIcon icon, EButtons buttons) {
    QMessageBox box(&m_dlg);
    box.setWindowTitle(QStringLiteral("Harvex"));
    box.setText(QString::fromStdString(strText));
    switch (icon) {
        case EIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case EIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case EIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case EIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case EIcon::None:
            break;
    }
    switch (buttons) {
        case EButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case EButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case EButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case EButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    m_dlg.EnterModal();
    const int nAnswer = box.exec();
    m_dlg.LeaveModal();
    switch (nAnswer) {
        case QMessageBox::Cancel:
            return EAnswer::Cancel;
        case QMessageBox::Yes:
            return EAnswer::Yes;
        case QMessageBox::No:
            return EAnswer::No;
        default:
            return EAnswer::Ok;
    }
}
