#pragma once
// The missing-files window: shown by Go! when the console RAR program or the unzip library
// cannot be found; its link leads to the install instructions. GUI thread only; modal.

#include <QDialog>

class CLabel;
class QLabel;
class QPushButton;

class CDownloadDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDownloadDialog(QWidget* pParent = nullptr);
    QLabel* Message() const { return m_pMessage; }
    CLabel* Link() const { return m_pLink; }
    QPushButton* CloseButton() const { return m_pClose; }

private:
    QLabel* m_pMessage = nullptr;
    CLabel* m_pLink = nullptr;
    QPushButton* m_pClose = nullptr;
};
