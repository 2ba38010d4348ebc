#include "dialogs/CDownloadDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

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
    m_pLink = new QLabel(this);
    m_pLink->setTextFormat(Qt::RichText);
    m_pLink->setText(
        QStringLiteral("<a href=\"%1\" style=\"color:#0000ff; text-decoration:underline\">here</a>")
            .arg(DialogsConfig::InstallInstructions().toHtmlEscaped()));
    m_pLink->setOpenExternalLinks(true);
    m_pLink->setCursor(Qt::PointingHandCursor);
    m_pClose = new QPushButton(QStringLiteral("&Close"), this);
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
