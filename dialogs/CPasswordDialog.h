#pragma once
// The password prompt for one protected archive: "OK" with a non-empty password, or
// "Cancel" (the archive is skipped). CDialogPasswordPrompt puts it behind the engine's
// CPasswordPrompt, so the driver asks through it. GUI thread only.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <string>

#include "engine/CMessageBox.h"
#include "engine/PasswordStep.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CPasswordDialog : public QDialog {
    Q_OBJECT
public:
    CPasswordDialog(CMessageBox& messageBox, QWidget* pParent = nullptr);

    // The file name line: the text after the last '/' of the archive path.
    void SetArchive(const std::string& strArchivePath);
    // The typed password after OK.
    std::string Password() const { return m_strPassword; }

    QLabel* FileNameLabel() const { return m_pFileName; }
    QLineEdit* PasswordEdit() const { return m_pPassword; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

private:
    void OnOk();

    CMessageBox& m_messageBox;
    std::string m_strPassword;
    QLabel* m_pFileName = nullptr;
    QLineEdit* m_pPassword = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
};

class CDialogPasswordPrompt : public QObject, public CPasswordPrompt {
    Q_OBJECT
public:
    CDialogPasswordPrompt(QWidget* pParent, CMessageBox& messageBox);

    // Runs the dialog modally (a nested event loop); answers true with the typed password.
    bool AskPassword(const std::string& strArchiveName, std::string& strPassword) override;

signals:
    // Emitted before the dialog opens and after it closed: the main window freezes its
    // animations (row images, tray) meanwhile.
    void PromptOpened();
    void PromptClosed();

private:
    QPointer<QWidget> m_pParent;
    CMessageBox& m_messageBox;
};
