#pragma once
// The picture that follows the cursor while rows of the job list are
// dragged: the dragged rows as the list draws them (at most five, the rest
// summed up in a line), half transparent, in a frameless window that never
// takes the focus or the mouse.

#include <vector>

class QLabel;
class QPoint;
class QTreeView;

namespace RowDragImage {

QLabel* Create(QTreeView* pView, const std::vector<int>& arrRows);
void MoveTo(QLabel* pImage, const QPoint& globalPos);

}  // namespace RowDragImage
