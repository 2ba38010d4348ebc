#pragma once
// The two report windows of a finished item, both modeless: the error report (the item's
// error lines) and the clean-up report (what clean-up left, grouped by reason, with
// "&Delete remaining"). A report keeps the item's id, never a row or a record, and looks
// the item up whenever it fills itself or acts. CReportWindows opens them from a double
// click and keeps at most one of the two. GUI thread only.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <functional>

class CJobList;
class QListWidget;
class QPushButton;

class CErrorReport : public QDialog {
    Q_OBJECT
public:
    CErrorReport(CJobList& list, QWidget* pParent = nullptr);
    // The item and the number of its error lines to show (taken when opened).
    void SetItem(int nId, int nErrorCount);
    void Refill();
    int ItemId() const { return m_nId; }
    QListWidget* List() const { return m_pList; }
    QPushButton* CloseButton() const { return m_pClose; }

private:
    CJobList& m_list;
    int m_nId = -1;
    int m_nErrorCount = 0;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pClose = nullptr;
};

class CCleanupReport : public QDialog {
    Q_OBJECT
public:
    CCleanupReport(CJobList& list, QWidget* pParent = nullptr);
    void SetItem(int nId);
    void SetShowTooltips(bool bShow);
    void Refill();
    // "&Delete remaining": acts on the item looked up by its id now.
    void DeleteRemaining();
    int ItemId() const { return m_nId; }
    QListWidget* List() const { return m_pList; }
    QPushButton* DeleteButton() const { return m_pDelete; }
    QPushButton* CloseButton() const { return m_pClose; }

    // True while a run goes on (the item being processed again refuses).
    std::function<bool()> fnIsProcessing;

private:
    void UpdateDeleteButton();

    CJobList& m_list;
    int m_nId = -1;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pClose = nullptr;
};

class CReportWindows : public QObject {
    Q_OBJECT
public:
    CReportWindows(CJobList& list, QWidget* pParent);
    ~CReportWindows() override;

    // A double click on row nRow: the error report of a failed item, the clean-up report
    // of an item with leftovers, nothing otherwise. Answers whether a report is shown.
    bool OpenForRow(int nRow);
    void SetShowTooltips(bool bShow) { m_bShowTooltips = bShow; }
    std::function<bool()> fnIsProcessing;

    CErrorReport* ErrorReport() const { return m_pError; }
    CCleanupReport* CleanupReport() const { return m_pCleanup; }

private:
    CJobList& m_list;
    QPointer<QWidget> m_pParent;
    QPointer<CErrorReport> m_pError;
    QPointer<CCleanupReport> m_pCleanup;
    bool m_bShowTooltips = true;
};
