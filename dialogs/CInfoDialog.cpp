#include "dialogs/CInfoDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QShortcut>
#include <QVBoxLayout>

#include "controls/CColorEdit.h"
#include "controls/CLabel.h"
#include "dialogs/DialogIcons.h"
#include "dialogs/DialogsConfig.h"
#include "dialogs/InfoTexts.h"

namespace {

// A label that opens its address in the desktop's handler: blue, underlined, hand cursor.
CLabel* MakeLink(QWidget* pParent, const QString& strText, const QString& strUrl) {
    auto* pLabel = new CLabel(strText, pParent);
    pLabel->SetLink(true)
        .SetLinkCursor(Qt::PointingHandCursor)
        .SetTextColor(QColor(0, 0, 255))
        .SetUnderline(true)
        .SetUrl(strUrl);
    return pLabel;
}

QString Text(const std::string& strText) {
    return QString::fromStdString(strText).remove(QLatin1Char('\r'));
}

}  // namespace

CInfoDialog::CInfoDialog(QWidget* pParent) : QDialog(pParent) {
    m_pText = new CColorEdit(this);
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pText->setTabStopDistance(8 * m_pText->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    m_pText->setMinimumSize(620, 420);
    m_pAuthor =
        MakeLink(this, QStringLiteral("author"), QStringLiteral("mailto:") + DialogsConfig::ContactMail());
    m_pHomepage = MakeLink(this, QStringLiteral("Homepage"), DialogsConfig::HomepageUrl());
    m_pClose = DialogIcons::ThemedButton(QStringLiteral("&Close"), QIcon(), this);
    m_pToggle = DialogIcons::ThemedButton(QStringLiteral("Ch&angelog"), QIcon(), this);
    m_pToggle->setAutoDefault(false);
    m_pClose->setDefault(true);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pToggle, &QPushButton::clicked, this, &CInfoDialog::ToggleView);
    auto* pRecolour = new QShortcut(QKeySequence(QStringLiteral("Ctrl+J")), this);
    connect(pRecolour, &QShortcut::activated, this, &CInfoDialog::RandomColours);

    auto* pBottom = new QHBoxLayout;
    pBottom->addWidget(new QLabel(QStringLiteral("Contact"), this));
    pBottom->addWidget(m_pAuthor);
    pBottom->addSpacing(12);
    pBottom->addWidget(m_pHomepage);
    pBottom->addStretch();
    pBottom->addWidget(m_pToggle);
    pBottom->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pText);
    pLayout->addLayout(pBottom);
    Prepare();
}

void CInfoDialog::Prepare() {
    m_strHelp = Text(InfoTexts::HelpText());
    m_strChangelog = Text(InfoTexts::Changelog());
    ShowHelp();
}

int CInfoDialog::exec() {
    Prepare();
    return QDialog::exec();
}

void CInfoDialog::ShowHelp() {
    m_bHelpShown = true;
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Help));
    setWindowTitle(QStringLiteral("Help"));
    SetColours(Qt::white, QColor(62, 106, 133));
    m_pText->setPlainText(m_strHelp);
    m_pToggle->setText(QStringLiteral("Ch&angelog"));
}

void CInfoDialog::ShowChangelog() {
    m_bHelpShown = false;
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Changelog));
    setWindowTitle(QStringLiteral("Changelog"));
    SetColours(QColor(16, 28, 41), QColor(148, 158, 173));
    m_pText->setPlainText(m_strChangelog);
    m_pToggle->setText(QStringLiteral("&Help"));
}

void CInfoDialog::ToggleView() {
    if (m_bHelpShown)
        ShowChangelog();
    else
        ShowHelp();
}

void CInfoDialog::SetColours(const QColor& text, const QColor& background) {
    m_pText->SetTextColor(text);
    m_pText->SetBkColor(background);
}

QColor CInfoDialog::TextColour() const {
    return m_pText->TextColor();
}
QColor CInfoDialog::BackgroundColour() const {
    return m_pText->BkColor();
}

void CInfoDialog::RandomColours() {
    QRandomGenerator* pRandom = QRandomGenerator::global();
    const int r = static_cast<int>(pRandom->generate() % 255);
    const int g = static_cast<int>(pRandom->generate() % 255);
    const int b = static_cast<int>(pRandom->generate() % 255);
    SetColours(QColor(r, g, b), QColor((r + 128) % 255, (g + 128) % 255, (b + 128) % 255));
}
