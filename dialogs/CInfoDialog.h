#pragma once
// The help window: the built-in help and, at the press of a button, the changelog in the
// same read-only text box, each with its own colours, title and icon. Ctrl+J recolours
// the text box at random. Changes no state of the program. GUI thread only; run modally.

#include <QColor>
#include <QDialog>

class CColorEdit;
class CLabel;
class QPushButton;

class CInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit CInfoDialog(QWidget* pParent = nullptr);

    // Builds the texts and shows the help view, whatever was shown last time.
    void Prepare();
    void ToggleView();
    bool IsHelpShown() const { return m_bHelpShown; }

    CColorEdit* TextBox() const { return m_pText; }
    QPushButton* CloseButton() const { return m_pClose; }
    QPushButton* ToggleButton() const { return m_pToggle; }
    CLabel* AuthorLink() const { return m_pAuthor; }
    CLabel* HomepageLink() const { return m_pHomepage; }
    QColor TextColour() const;
    QColor BackgroundColour() const;
    // Ctrl+J: a random text colour and its opposite as the background.
    void RandomColours();

    int exec() override;

private:
    void ShowHelp();
    void ShowChangelog();
    void SetColours(const QColor& text, const QColor& background);

    QString m_strHelp;
    QString m_strChangelog;
    bool m_bHelpShown = true;
    CColorEdit* m_pText = nullptr;
    CLabel* m_pAuthor = nullptr;
    CLabel* m_pHomepage = nullptr;
    QPushButton* m_pClose = nullptr;
    QPushButton* m_pToggle = nullptr;
};
