// The image editor: the user opens a picture, turns and zooms it, and keeps a rectangle of it, which
// is saved as a JPEG into the file its caller names.
#pragma once

#include <string>

#include <QDialog>

class CImageEditView;
class QLineEdit;
class QPushButton;

class CImageEditDlg : public QDialog {
    Q_OBJECT
public:
    // resultPath: the file the selection is saved into (the caller's own, see SmmsUploadFile).
    explicit CImageEditDlg(std::string resultPath, QWidget* parent = nullptr);

    // Asks for the picture first; a cancel there ends the editor before it is shown. Accepted when a
    // selection was saved; ResultPath() then names the JPEG.
    int DoModal();
    // Empty until the user confirmed a selection.
    const std::string& ResultPath() const { return m_strResultPath; }
    bool IsReady() const { return m_ready; }

    CImageEditView* View() const { return m_view; }
    QPushButton* RotateCwButton() const { return m_rotateCw; }
    QPushButton* RotateCcwButton() const { return m_rotateCcw; }
    QPushButton* ZoomInButton() const { return m_zoomIn; }
    QPushButton* ZoomOutButton() const { return m_zoomOut; }
    QPushButton* UseButton() const { return m_use; }
    QLineEdit* ZoomText() const { return m_zoomText; }
    QLineEdit* SizeText() const { return m_sizeText; }

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OpenChosen();
    void OnZoomIn();
    void OnZoomOut();
    void OnRotate(int direction);
    void ShowZoom();
    void ShowSelectionSize();

    std::string m_strTarget;
    std::string m_strChosen;
    bool m_opened = false;
    std::string m_strResultPath;
    bool m_ready = false;

    CImageEditView* m_view;
    QPushButton* m_rotateCw;
    QPushButton* m_rotateCcw;
    QPushButton* m_zoomIn;
    QPushButton* m_zoomOut;
    QPushButton* m_use;
    QLineEdit* m_zoomText;
    QLineEdit* m_sizeText;
};
