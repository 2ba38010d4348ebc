#pragma once
// The presets manager: lists the presets and creates, edits, deletes and reorders them,
// working directly on the main window's preset array. Moves and deletions renumber the
// job list's items so each keeps the preset it had. When it closes, the rows that are not
// "Completed OK" are refreshed and the presets are saved (SavePresets).
// GUI thread only; run modally.

#include <QDialog>
#include <vector>

#include "engine/CMessageBox.h"
#include "settings/CPresets.h"

class CJobList;
class COutputFolders;
class CPresetEditDlg;
class QPushButton;
class QTreeWidget;

class CPresetsDlg : public QDialog {
    Q_OBJECT
public:
    // pList and pOutputFolders may be null (no job list to keep in step).
    CPresetsDlg(std::vector<CPresets>& arrPresets, CJobList* pList, COutputFolders* pOutputFolders,
                CMessageBox& messageBox, QWidget* pParent = nullptr);

    // Fills the list and sets the tooltips; call before each opening.
    void Prepare(bool bShowTooltips);

    // The commands (buttons, double click); public for the window's keyboard and tests.
    void NewPreset();
    void EditPreset();
    void DeletePreset();
    void MoveUp();
    void MoveDown();

    QTreeWidget* List() const { return m_pList; }
    CPresetEditDlg* Editor() const { return m_pEditor; }
    enum EButton { NEW, EDIT, DELETE, UP, DOWN, CLOSE, BUTTON_COUNT };
    QPushButton* Button(EButton button) const { return m_arrButtons[button]; }

    // The rows whose item is not "Completed OK": idle image and output column anew.
    static void RefreshUnfinishedRows(CJobList& list, COutputFolders* pOutputFolders);

    void done(int nResult) override;

private:
    void FillList();
    void Move(int nStep);
    int SelectedRow() const;
    int PresetIndexOfRow(int nRow) const;
    void RunEditor(int nIndex);

    std::vector<CPresets>& m_arrPresets;
    CJobList* m_pJobList;
    COutputFolders* m_pOutputFolders;
    CMessageBox& m_messageBox;
    bool m_bShowTooltips = true;
    QTreeWidget* m_pList = nullptr;
    CPresetEditDlg* m_pEditor = nullptr;
    QPushButton* m_arrButtons[BUTTON_COUNT] = {};
};
