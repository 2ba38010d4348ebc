#pragma once
// A shown CDropTarget over a CJobList that QAbstractItemModelTester checks
// while the view is used.

#include <QAbstractItemModelTester>
#include <QTest>
#include <string>
#include <vector>

#include "DemoRows.h"
#include "GuiTestApp.h"
#include "controls/CDropTarget.h"
#include "engine/CJobList.h"

struct CViewFixture {
    // Made first: the view needs the application.
    struct CApp {
        CApp() { EnsureGuiApp(); }
    } app;
    CJobList list;
    QAbstractItemModelTester tester{&list, QAbstractItemModelTester::FailureReportingMode::Fatal};
    CDropTarget view;

    explicit CViewFixture(const std::vector<std::string>& arrNames, QSize size = QSize(600, 300)) {
        for (const std::string& strName : arrNames) {
            DemoRows::AddFolder(list, strName);
        }
        view.SetJobList(&list);
        view.resize(size);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        // No current row, so no row carries a focus frame.
        view.selectionModel()->clearCurrentIndex();
    }

    QWidget* Viewport() { return view.viewport(); }
    QRect Cell(int nRow, int nColumn) { return view.visualRect(list.index(nRow, nColumn)); }
    QPoint RowPoint(int nRow) { return QPoint(40, Cell(nRow, 0).center().y()); }
    std::vector<std::string> Names() const {
        std::vector<std::string> arrNames;
        for (int i = 0; i < list.RowCount(); ++i) {
            arrNames.push_back(list.RowText(i, CJobList::COLUMN_NAME));
        }
        return arrNames;
    }
};
