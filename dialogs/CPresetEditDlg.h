#pragma once
// The preset editor: edits one preset (or a new one) in a working copy and, on "&Save",
// writes it into the preset array it was given. Opened modally by the presets manager.
// GUI thread only; refusals go through the CMessageBox interface.

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "engine/CMessageBox.h"
#include "settings/CPresets.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class CPresetEditDlg : public QDialog {
    Q_OBJECT
public:
    CPresetEditDlg(std::vector<CPresets>& arrPresets, CMessageBox& messageBox, QWidget* pParent = nullptr);

    // nIndex -1: a new preset (appended on save); otherwise the preset at nIndex.
    void Prepare(int nIndex, bool bShowTooltips);
    int Index() const { return m_nIndex; }

    // The folder browser ("Select Output folder"); tests replace it. Answers "" on cancel.
    std::function<QString(QWidget* pParent, const QString& strStart)> fnBrowseFolder;
    // The last folder chosen with "Browse..." in this run of the program (never saved).
    static QString LastBrowsedFolder();

    // The output-folder menu's two commands (the right-click menu calls them).
    void BrowseOutputFolder();
    void SetToInputFolder();

    // Widgets by role, for the window that shows this dialog and for tests.
    QLineEdit* NameEdit() const { return m_pName; }
    QLineEdit* OutputEdit() const { return m_pOutput; }
    QPushButton* SaveButton() const { return m_pSave; }
    QPushButton* CancelButton() const { return m_pCancel; }
    enum EBox {
        KEEP_FOLDER,
        KEEP_NFO,
        KEEP_SAMPLE,
        KEEP_SUBS,
        KEEP_SUBS_FOLDER,
        KEEP_COVERS,
        CLEAN_UP,
        TEST,
        BOX_COUNT
    };
    QCheckBox* Box(EBox box) const { return m_arrBoxes[box]; }

signals:
    // A preset was written into the array: the manager refills its list.
    void PresetSaved(int nIndex);

protected:
    // A right click anywhere in the editor opens the output-folder menu.
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void Save();
    void OnBoxClicked(EBox box, bool bChecked);
    void ApplyEnabling();
    void ShowOutput();
    void OpenOutputMenu(const QPoint& ptGlobal);
    bool Refuse(const std::string& strText, bool bSelectName);
    int& Field(EBox box);

    std::vector<CPresets>& m_arrPresets;
    CMessageBox& m_messageBox;
    CPresets m_preset;
    int m_nIndex = -1;
    bool m_bShowTooltips = true;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pOutput = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pCancel = nullptr;
    QCheckBox* m_arrBoxes[BOX_COUNT] = {};
};
