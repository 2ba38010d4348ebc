#include "dialogs/CPasswordDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogIcons.h"
#include "engine/PathHelpers.h"

CPasswordDialog::CPasswordDialog(CMessageBox& messageBox, QWidget* pParent)
    : QDialog(pParent), m_messageBox(messageBox) {
    setWindowTitle(QString());
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Program));
    m_pFileName = new QLabel(this);
    m_pFileName->setTextFormat(Qt::PlainText);
    m_pFileName->setMinimumWidth(280);
    m_pPassword = new QLineEdit(this);
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pOk = DialogIcons::ThemedButton(QStringLiteral("OK"), DialogIcons::ButtonIcon(DialogIcons::EButton::Ok),
                                      this);
    m_pOk->setDefault(true);
    m_pCancel = DialogIcons::ThemedButton(QStringLiteral("Cancel"),
                                          DialogIcons::ButtonIcon(DialogIcons::EButton::Cancel), this);
    connect(m_pOk, &QPushButton::clicked, this, &CPasswordDialog::OnOk);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch();
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(m_pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("Type password for protected file"), this));
    pLayout->addWidget(m_pFileName);
    pLayout->addWidget(m_pPassword);
    pLayout->addLayout(pButtons);
    m_pPassword->setFocus();
}

void CPasswordDialog::SetArchive(const std::string& strArchivePath) {
    m_pFileName->setText(QString::fromStdString(FileNameOf(strArchivePath)));
}

void CPasswordDialog::OnOk() {
    const QString strTyped = m_pPassword->text();
    if (strTyped.isEmpty()) {
        m_messageBox.ShowMessage("Type a password", CMessageBox::EIcon::None);
        m_pPassword->setFocus();
        return;
    }
    m_strPassword = strTyped.toStdString();
    accept();
}

CDialogPasswordPrompt::CDialogPasswordPrompt(QWidget* pParent, CMessageBox& messageBox)
    : QObject(pParent), m_pParent(pParent), m_messageBox(messageBox) {}

bool CDialogPasswordPrompt::AskPassword(const std::string& strArchiveName, std::string& strPassword) {
    emit PromptOpened();
    CPasswordDialog dialog(m_messageBox, m_pParent);
    dialog.SetArchive(strArchiveName);
    const bool bOk = dialog.exec() == QDialog::Accepted;
    if (bOk)
        strPassword = dialog.Password();
    emit PromptClosed();
    return bOk;
}
