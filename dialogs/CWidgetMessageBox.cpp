#include "dialogs/CWidgetMessageBox.h"

#include <QMessageBox>

CMessageBox::EAnswer CWidgetMessageBox::ShowMessage(const std::string& strText, EIcon icon,
                                                    EButtons buttons) {
    QMessageBox box(m_pParent);
    box.setWindowTitle(QStringLiteral("Harvex"));
    // The texts carry Windows-style line ends; a CR would show as a blank in a label.
    box.setText(QString::fromStdString(strText).remove(QLatin1Char('\r')));
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
    switch (box.exec()) {
        case QMessageBox::Yes:
            return EAnswer::Yes;
        case QMessageBox::No:
            return EAnswer::No;
        case QMessageBox::Cancel:
            return EAnswer::Cancel;
        default:
            return buttons == EButtons::YesNo ? EAnswer::No : EAnswer::Ok;
    }
}
