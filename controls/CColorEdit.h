#pragma once
// A multi-line text box with its own text colour (default black) and
// background colour (default the system's button face). Each change
// repaints at once. The process-output box and the help text use it.

#include <QColor>
#include <QPlainTextEdit>

class CColorEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CColorEdit(QWidget* pParent = nullptr);

    void SetTextColor(const QColor& colour);
    void SetBkColor(const QColor& colour);
    QColor TextColor() const { return m_textColour; }
    QColor BkColor() const { return m_bkColour; }

private:
    void ApplyColours();

    QColor m_textColour;
    QColor m_bkColour;
};
