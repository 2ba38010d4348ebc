// The program's 3 x 5 pixel font, for numbers and short labels on icons.
#include <QPainter>

#include "controls/IconShapes.h"

namespace IconShapes {

namespace {

// The 3 x 5 glyphs, one string of 15 '0'/'1' per character, row by row.
const char* Glyph(QChar c) {
    switch (c.toLatin1()) {
        case '0':
            return "111101101101111";
        case '1':
            return "010110010010111";
        case '2':
            return "111001111100111";
        case '3':
            return "111001111001111";
        case '4':
            return "101101111001001";
        case '5':
            return "111100111001111";
        case '6':
            return "111100111101111";
        case '7':
            return "111001010010010";
        case '8':
            return "111101111101111";
        case '9':
            return "111101111001111";
        case 'A':
            return "010101111101101";
        case 'B':
            return "110101110101110";
        case 'E':
            return "111100110100111";
        case 'G':
            return "011100101101011";
        case 'I':
            return "111010010010111";
        case 'K':
            return "101101110101101";
        case 'M':
            return "101111111101101";
        case 'O':
            return "010101101101010";
        case 'P':
            return "110101110100100";
        case 'S':
            return "011100010001110";
        case 'V':
            return "101101101101010";
        case 'X':
            return "101101010101101";
        case '?':
            return "111001011000010";
        case '!':
            return "010010010000010";
        default:
            return "000000000000000";
    }
}

}  // namespace

double PixelTextWidth(const QString& strText, double dUnit, double dGap) {
    if (strText.isEmpty()) {
        return 0.0;
    }
    return strText.size() * 3 * dUnit + (strText.size() - 1) * dGap;
}

void PixelText(QPainter& p, const QString& strText, const QPointF& topLeft, double dUnit, double dGap,
               const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    double x = topLeft.x();
    for (QChar c : strText) {
        const char* pGlyph = Glyph(c);
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if (pGlyph[row * 3 + col] == '1') {
                    p.drawRect(QRectF(x + col * dUnit, topLeft.y() + row * dUnit, dUnit, dUnit));
                }
            }
        }
        x += 3 * dUnit + dGap;
    }
    p.restore();
}

}  // namespace IconShapes
