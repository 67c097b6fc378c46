// The "특" popup of every message editor: a grid of symbols or emoticons; the one chosen is
// inserted at the editor's caret, replacing its selection (an emoticon followed by a line break).
#pragma once

#include <optional>
#include <string>

#include <QDialog>

class CTrellisEx;
class QPushButton;
class QRadioButton;

class CSpecialCharDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Symbols, Emoticons };

    // target: the QLineEdit, QPlainTextEdit or QTextEdit that receives the choice, or nullptr (the
    // caller then reads Chosen()). x, y: screen position of the popup's top-left corner; a negative
    // value leaves the placement to the window system.
    CSpecialCharDlg(QWidget* target, int x, int y, QWidget* parent = nullptr);
    ~CSpecialCharDlg() override;

    // The popup for target at the top-left corner of the button that opened it; the focus then
    // returns to target. True when something was inserted.
    static bool InsertInto(QWidget* target, QWidget* button);
    // Without an editor: the chosen text (CP949), nullopt when the popup was closed.
    static std::optional<std::string> Choose(QWidget* parent, int x = -1, int y = -1);

    // CP949; an emoticon ends with "\n".
    const std::string& Chosen() const { return m_strChosen; }
    Mode CurrentMode() const { return m_mode; }
    void SetMode(Mode mode);

    CTrellisEx* Grid() const { return m_grid; }
    QRadioButton* SymbolsButton() const { return m_symbols; }
    QRadioButton* EmoticonsButton() const { return m_emoticons; }
    QPushButton* UseButton() const { return m_use; }
    QPushButton* CloseButton() const { return m_close; }

public slots:
    // "사용", or a double click on a cell.
    void OnUse();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillGrid();
    void SpreadCells();
    // The size a cell needs to show its whole text.
    QSize CellContent(int row, int column) const;
    void InsertIntoTarget(const QString& text);

    QWidget* m_target;
    Mode m_mode = Mode::Symbols;
    std::string m_strChosen;
    CTrellisEx* m_grid;
    QRadioButton* m_symbols;
    QRadioButton* m_emoticons;
    QPushButton* m_use;
    QPushButton* m_close;
};
