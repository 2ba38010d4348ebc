#pragma once
// Tooltips no wider than a given width (the program's tips are at most 400
// pixels wide): long texts are broken at blanks into lines that fit in the
// tooltip font.

#include <QString>

namespace TooltipText {

inline constexpr int MAX_WIDTH = 400;

// strText with line breaks inserted so that no line is wider than nMaxWidth
// pixels in QToolTip's font; a single word wider than that stands alone.
QString Wrapped(const QString& strText, int nMaxWidth = MAX_WIDTH);

}  // namespace TooltipText
