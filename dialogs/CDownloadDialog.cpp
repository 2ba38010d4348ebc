#include "dialogs/CDownloadDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "controls/CLabel.h"
#include "dialogs/DialogIcons.h"
#include "dialogs/DialogsConfig.h"

CDownloadDialog::CDownloadDialog(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QStringLiteral("Critical file(s) missing!"));
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Program));
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    pIcon->setAlignment(Qt::AlignTop);
    m_pMessage =
        new QLabel(QStringLiteral("There are files missing that are required for this program to work "
                                  "correctly.\n\nYou should download the setup and reinstall Harvex."),
                   this);
    m_pMessage->setWordWrap(true);
    m_pMessage->setMinimumWidth(360);
    m_pLink = new CLabel(QStringLiteral("here"), this);
    m_pLink->SetLink(true)
        .SetLinkCursor(Qt::PointingHandCursor)
        .SetTextColor(QColor(0, 0, 255))
        .SetUnderline(true)
        .SetUrl(DialogsConfig::InstallInstructions());
    m_pClose = DialogIcons::ThemedButton(QStringLiteral("&Close"), QIcon(), this);
    m_pClose->setDefault(true);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* pLinkRow = new QHBoxLayout;
    pLinkRow->addWidget(new QLabel(QStringLiteral("You can get it"), this));
    pLinkRow->addWidget(m_pLink);
    pLinkRow->addStretch();
    pLinkRow->addWidget(m_pClose);
    auto* pTextColumn = new QVBoxLayout;
    pTextColumn->addWidget(m_pMessage);
    pTextColumn->addSpacing(8);
    pTextColumn->addLayout(pLinkRow);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(pIcon);
    pLayout->addLayout(pTextColumn);
}
