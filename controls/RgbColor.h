#pragma once
// The program keeps its colours as 0xRRGGBB numbers (the list model's colour roles,
// the status line and log box colours); the widgets want a QColor.

#include <QColor>
#include <cstdint>

inline QColor ColorFromRgb(uint32_t nRgb) {
    return QColor(static_cast<int>((nRgb >> 16) & 0xFF), static_cast<int>((nRgb >> 8) & 0xFF),
                  static_cast<int>(nRgb & 0xFF));
}
