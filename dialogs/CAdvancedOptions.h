#pragma once
// The preferences: tooltips, the weekly update check, what happens after a run, the
// password prompt and the three desktop-integration options. Writes into the settings
// record on OK or "&Apply"; the three integration values are stored at once
// (SaveShellOptions), everything else when the main window saves its settings.
// GUI thread only; run modally.

#include <QDialog>

#include "settings/CSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

class CAdvancedOptions : public QDialog {
    Q_OBJECT
public:
    CAdvancedOptions(CSettings& settings, bool bUserHasRights, QWidget* pParent = nullptr);

    // Loads the boxes from the settings (and applies the pairing rule to the settings
    // record at once); call before each opening.
    void Prepare();
    void Apply();

    enum EBox {
        SHOW_TOOLTIPS,
        CHECK_UPDATES,
        RESTORE_ON_OK,
        CLOSE_ON_OK,
        RESTORE_ON_ERROR,
        CLOSE_ON_ERROR,
        PASSWORD_PROMPT,
        WIN_INTEGRATION,
        ICONS_IN_CONTEXT,
        SUBMENU_IN_CONTEXT,
        BOX_COUNT
    };
    QCheckBox* Box(EBox box) const { return m_arrBoxes[box]; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QPushButton* ApplyButton() const { return m_pApply; }
    QLabel* AdminLabel() const { return m_pAdminLabel; }
    QGroupBox* IntegrationGroup() const { return m_pIntegration; }

signals:
    // "Show tooltips" was applied: the main window switches its tooltips on or off now.
    void TooltipsChanged(bool bShow);

private:
    void OnBoxClicked(EBox box, bool bChecked);
    void ShowTooltips(bool bShow);
    int& Field(EBox box);

    CSettings& m_settings;
    bool m_bUserHasRights;
    QCheckBox* m_arrBoxes[BOX_COUNT] = {};
    QGroupBox* m_pIntegration = nullptr;
    QLabel* m_pAdminLabel = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pApply = nullptr;
};
