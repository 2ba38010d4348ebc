#include "dialogs/CAdvancedOptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogIcons.h"
#include "settings/SettingsSchema.h"

namespace {

struct CBoxText {
    const char* pszText;
    const char* pszTip;
};
const CBoxText BOX_TEXTS[CAdvancedOptions::BOX_COUNT] = {
    {"Show tooltips", "Show/hide tooltips"},
    {"Automatically check for updates",
     "Silently check for updates once a week (requires internet connection)"},
    {"Restore program and bring to front", ""},
    {"Close program", ""},
    {"Restore program and bring to front", ""},
    {"Close program anyway", "Ignore errors and close program"},
    {"Prompt for password", "Prompt for password or skip file"},
    {"Integrate Harvex into shell", "Add Harvex functionality to windows explorer context menu"},
    {"Use icons in context menu", "Use icons in context menu"},
    {"Display in submenu", "Display in a submenu to the context menu"},
};

const char* const INTEGRATION_FRAME = "Desktop integration";

}  // namespace

CAdvancedOptions::CAdvancedOptions(CSettings& settings, bool bUserHasRights, QWidget* pParent)
    : QDialog(pParent), m_settings(settings), m_bUserHasRights(bUserHasRights) {
    setWindowTitle(QStringLiteral("Preferences"));
    setWindowIcon(DialogIcons::WindowIcon(DialogIcons::EWindow::Preferences));
    for (int i = 0; i < BOX_COUNT; ++i) {
        m_arrBoxes[i] = new QCheckBox(QString::fromUtf8(BOX_TEXTS[i].pszText), this);
        const EBox box = static_cast<EBox>(i);
        connect(m_arrBoxes[i], &QCheckBox::clicked, this,
                [this, box](bool bChecked) { OnBoxClicked(box, bChecked); });
    }
    auto group = [this](const char* pszFrame, std::initializer_list<EBox> boxes) {
        auto* pGroup = new QGroupBox(QString::fromUtf8(pszFrame), this);
        auto* pLayout = new QVBoxLayout(pGroup);
        for (EBox box : boxes)
            pLayout->addWidget(m_arrBoxes[box]);
        return pGroup;
    };
    QGroupBox* pMisc = group("Misc", {SHOW_TOOLTIPS, CHECK_UPDATES});
    QGroupBox* pOk = group("After all items completes OK", {RESTORE_ON_OK, CLOSE_ON_OK});
    QGroupBox* pError =
        group("After all items completes, but there are errors", {RESTORE_ON_ERROR, CLOSE_ON_ERROR});
    QGroupBox* pPassword = group("Password protected files", {PASSWORD_PROMPT});
    m_pIntegration = group(INTEGRATION_FRAME, {WIN_INTEGRATION, ICONS_IN_CONTEXT, SUBMENU_IN_CONTEXT});
    m_pAdminLabel = new QLabel(this);

    m_pOk = DialogIcons::ThemedButton(QStringLiteral("&OK"),
                                      DialogIcons::ButtonIcon(DialogIcons::EButton::Ok), this);
    m_pCancel = DialogIcons::ThemedButton(QStringLiteral("&Cancel"),
                                          DialogIcons::ButtonIcon(DialogIcons::EButton::Cancel), this);
    m_pApply = DialogIcons::ThemedButton(QStringLiteral("&Apply"),
                                         DialogIcons::ButtonIcon(DialogIcons::EButton::Apply), this);
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pApply, &QPushButton::clicked, this, &CAdvancedOptions::Apply);

    auto* pColumns = new QHBoxLayout;
    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pMisc);
    pLeft->addWidget(pPassword);
    pLeft->addWidget(m_pIntegration);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pOk);
    pRight->addWidget(pError);
    pRight->addStretch();
    pColumns->addLayout(pLeft);
    pColumns->addLayout(pRight);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pAdminLabel, 1);
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(m_pCancel);
    pButtons->addWidget(m_pApply);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pColumns);
    pLayout->addLayout(pButtons);
}

int& CAdvancedOptions::Field(EBox box) {
    switch (box) {
        case SHOW_TOOLTIPS:
            return m_settings.bShowTooltips;
        case CHECK_UPDATES:
            return m_settings.bCheckUpdates;
        case RESTORE_ON_OK:
            return m_settings.bRestoreOnOk;
        case CLOSE_ON_OK:
            return m_settings.bCloseOnOk;
        case RESTORE_ON_ERROR:
            return m_settings.bRestoreOnError;
        case CLOSE_ON_ERROR:
            return m_settings.bCloseOnError;
        case PASSWORD_PROMPT:
            return m_settings.bPasswordPrompt;
        case WIN_INTEGRATION:
            return m_settings.bWinIntegration;
        case ICONS_IN_CONTEXT:
            return m_settings.bIconsInContext;
        case SUBMENU_IN_CONTEXT:
        case BOX_COUNT:
            break;
    }
    return m_settings.bSubmenuInContext;
}

void CAdvancedOptions::Prepare() {
    // Restore wins over close: both set (possible through the store) keeps restore only.
    if (m_settings.bRestoreOnOk != 0)
        m_settings.bCloseOnOk = 0;
    if (m_settings.bRestoreOnError != 0)
        m_settings.bCloseOnError = 0;
    for (int i = 0; i < BOX_COUNT; ++i)
        m_arrBoxes[i]->setChecked(Field(static_cast<EBox>(i)) != 0);
    const bool bIntegrate = m_settings.bWinIntegration != 0;
    m_arrBoxes[ICONS_IN_CONTEXT]->setEnabled(bIntegrate);
    m_arrBoxes[SUBMENU_IN_CONTEXT]->setEnabled(bIntegrate);
    m_pAdminLabel->setText(m_bUserHasRights ? QString()
                                            : QStringLiteral("*you need admin rights to use these options"));
    m_pIntegration->setTitle(QString::fromUtf8(INTEGRATION_FRAME) + (m_bUserHasRights ? "" : "*"));
    ShowTooltips(m_settings.bShowTooltips != 0);
    m_pApply->setEnabled(false);
}

void CAdvancedOptions::ShowTooltips(bool bShow) {
    for (int i = 0; i < BOX_COUNT; ++i)
        m_arrBoxes[i]->setToolTip(bShow ? QString::fromUtf8(BOX_TEXTS[i].pszTip) : QString());
}

void CAdvancedOptions::OnBoxClicked(EBox box, bool bChecked) {
    // At most one of each pair is ticked.
    if (bChecked) {
        if (box == RESTORE_ON_OK)
            m_arrBoxes[CLOSE_ON_OK]->setChecked(false);
        else if (box == CLOSE_ON_OK)
            m_arrBoxes[RESTORE_ON_OK]->setChecked(false);
        else if (box == RESTORE_ON_ERROR)
            m_arrBoxes[CLOSE_ON_ERROR]->setChecked(false);
        else if (box == CLOSE_ON_ERROR)
            m_arrBoxes[RESTORE_ON_ERROR]->setChecked(false);
    }
    if (box == WIN_INTEGRATION) {
        m_arrBoxes[ICONS_IN_CONTEXT]->setEnabled(bChecked);
        m_arrBoxes[SUBMENU_IN_CONTEXT]->setEnabled(bChecked);
    }
    m_pApply->setEnabled(true);
}

void CAdvancedOptions::Apply() {
    for (int i = 0; i < BOX_COUNT; ++i)
        Field(static_cast<EBox>(i)) = m_arrBoxes[i]->isChecked() ? 1 : 0;
    ShowTooltips(m_settings.bShowTooltips != 0);
    emit TooltipsChanged(m_settings.bShowTooltips != 0);
    SaveShellOptions(m_settings);
    m_pApply->setEnabled(false);
}
