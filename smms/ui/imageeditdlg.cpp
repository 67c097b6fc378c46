#include "smms/ui/imageeditdlg.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "frame/filedialog.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/widgets/colorref.h"
#include "smms/ui/imageeditview.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr std::uint32_t kUseButtonColor = 0x7DFFFF;
// The "||" after the BMP entry ends the list: five entries are offered, "All Files" never.
constexpr const char* kImageFilter =
    "이미지 파일 (jpg.png.gif.bmp)|*.jpg;*.png;*.gif;*.bmp;|JPG (*.jpg)|*.jpg|"
    "PNG (*.png)|*.png|GIF (*.gif)|*.gif|BMP (*.bmp)|*.bmp||All Files (*.*)|*.*||";

enum class Glyph { RotateCw, RotateCcw, ZoomIn, ZoomOut };

// The button icons, drawn here so the module carries no image files.
QIcon GlyphIcon(Glyph glyph) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x50, 0x90), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (glyph == Glyph::RotateCw || glyph == Glyph::RotateCcw) {
        if (glyph == Glyph::RotateCcw)
            p.setTransform(QTransform(-1, 0, 0, 1, 24, 0)); // mirrored
        QPainterPath arc;
        arc.arcMoveTo(4, 4, 16, 16, 120);
        arc.arcTo(4, 4, 16, 16, 120, -270);
        p.drawPath(arc);
        const QPointF tip = arc.currentPosition();
        QPainterPath head;
        head.moveTo(tip + QPointF(-5, -1));
        head.lineTo(tip);
        head.lineTo(tip + QPointF(1, -5));
        p.drawPath(head);
    } else {
        p.drawEllipse(QRectF(3, 3, 13, 13));
        p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
        p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
        if (glyph == Glyph::ZoomIn)
            p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
    }
    p.end();
    return QIcon(pixmap);
}

QPushButton* GlyphButton(Glyph glyph, const char* tip, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setIcon(GlyphIcon(glyph));
    button->setIconSize(QSize(24, 24));
    button->setAutoDefault(false);
    button->setToolTip(QString::fromUtf8(tip));
    return button;
}

QLineEdit* ReadOnlyEdit(int width, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFixedWidth(width);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

} // namespace

CImageEditDlg::CImageEditDlg(std::string resultPath, QWidget* parent)
    : QDialog(parent), m_strTarget(std::move(resultPath)), m_view(new CImageEditView(this)),
      m_rotateCw(GlyphButton(Glyph::RotateCw, "이미지를 시계방향으로 90도 회전합니다.", this)),
      m_rotateCcw(GlyphButton(Glyph::RotateCcw, "이미지를 반시계방향으로 90도 회전합니다.", this)),
      m_zoomIn(GlyphButton(Glyph::ZoomIn, "이미지를 확대합니다.", this)),
      m_zoomOut(GlyphButton(Glyph::ZoomOut, "이미지를 축소합니다.", this)),
      m_use(new QPushButton(QString::fromUtf8("선택영역을 SMMS에 사용"), this)),
      m_zoomText(ReadOnlyEdit(60, this)), m_sizeText(ReadOnlyEdit(110, this)) {
    setWindowTitle(QString::fromUtf8("이미지편집"));
    setSizeGripEnabled(false);

    m_use->setToolTip(QString::fromUtf8("이미지의 선택된 영역을 사용합니다."));
    m_use->setDefault(true);
    QPalette pal = m_use->palette();
    pal.setColor(QPalette::Button, zmsg::ColorFromRef(kUseButtonColor));
    m_use->setPalette(pal);

    // The picture takes every pixel the window gains; the row of controls stays at the bottom, the
    // use button at its right.
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->addWidget(m_view);

    auto* row = new QHBoxLayout;
    row->addWidget(m_zoomText);
    row->addWidget(m_sizeText);
    row->addWidget(m_rotateCw);
    row->addWidget(m_rotateCcw);
    row->addWidget(m_zoomIn);
    row->addWidget(m_zoomOut);
    row->addStretch(1);
    row->addWidget(m_use);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(row);

    connect(m_view, &CImageEditView::selectionChanged, this, &CImageEditDlg::ShowSelectionSize);
    connect(m_rotateCw, &QPushButton::clicked, this, [this] { OnRotate(1); });
    connect(m_rotateCcw, &QPushButton::clicked, this, [this] { OnRotate(0); });
    connect(m_zoomIn, &QPushButton::clicked, this, &CImageEditDlg::OnZoomIn);
    connect(m_zoomOut, &QPushButton::clicked, this, &CImageEditDlg::OnZoomOut);
    connect(m_use, &QPushButton::clicked, this, &CImageEditDlg::accept);
}

int CImageEditDlg::DoModal() {
    OpenFileRequest request;
    request.defaultExt = "jpg";
    request.filter = K(kImageFilter);
    request.mustExist = true;
    const std::optional<std::string> chosen = ShowOpenFileDialog(request, parentWidget());
    if (!chosen)
        return QDialog::Rejected;

    m_strChosen = *chosen;
    // The first size is the smallest one.
    resize(sizeHint());
    setMinimumSize(size());
    m_ready = true;
    return exec();
}

void CImageEditDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The picture is fitted into the view, which has its size only once it is shown.
    if (!m_opened && !m_strChosen.empty()) {
        m_opened = true;
        OpenChosen();
    }
}

void CImageEditDlg::OpenChosen() {
    QString why;
    if (!m_view->LoadImage(m_strChosen, &why)) {
        const std::string path = zmsg::Utf8ToCp949Lossy(m_strChosen);
        WriteLog(K("이미지 파일을 열 수 없습니다: ") + path + " (" +
                     zmsg::Utf8ToCp949Lossy(why.toStdString()) + ")",
                 1);
        // Told once the editor is up (it stays open without a picture; only cancel leads on).
        QTimer::singleShot(0, this, [this, path] {
            ShowMessageBox(K("지정된 이미지를 불러올 수 없습니다!\n") + path, MB_OK, 0, 0, this);
        });
    }
    ShowZoom();
    ShowSelectionSize();
}

void CImageEditDlg::OnRotate(int direction) {
    m_view->Rotate(direction);
}

void CImageEditDlg::OnZoomIn() {
    if (const auto zoom = zmsg::ImageEditor::ZoomInStep(m_view->Editor().Zoom())) {
        m_view->SetZoom(*zoom);
        ShowZoom();
    }
}

void CImageEditDlg::OnZoomOut() {
    if (const auto zoom = zmsg::ImageEditor::ZoomOutStep(m_view->Editor().Zoom())) {
        m_view->SetZoom(*zoom);
        ShowZoom();
    }
}

void CImageEditDlg::ShowZoom() {
    m_zoomText->setText(QString::asprintf("%.0f%%", m_view->Editor().Zoom() * 100));
}

void CImageEditDlg::ShowSelectionSize() {
    const zmsg::EdgeRect sel = m_view->Editor().Selection();
    m_sizeText->setText(QString::asprintf("%d x %d", sel.Width(), sel.Height()));
}

void CImageEditDlg::accept() {
    const zmsg::EdgeRect sel = m_view->Editor().Selection();
    if (sel.Width() < 1 || sel.Height() < 1) {
        ShowMessageBox(K("이미지에서 사용할 영역을 올바르게 선택해 주세요."), MB_OK, 0, 0, this);
        return;
    }
    // A small piece of a reduced view is saved at a higher resolution, never above the picture's own.
    if (const auto zoom = m_view->Editor().ZoomForUse()) {
        m_view->SetZoom(*zoom);
        ShowZoom();
    }
    QString why;
    if (!m_view->SaveSelection(m_strTarget, &why)) {
        WriteLog(K("선택된 이미지영역을 저장할 수 없습니다: ") + zmsg::Utf8ToCp949Lossy(m_strTarget) + " (" +
                     zmsg::Utf8ToCp949Lossy(why.toStdString()) + ")",
                 1);
        ShowMessageBox(K("선택된 이미지영역을 저장할 수 없습니다."), MB_OK, 0, 0, this);
        return;
    }
    m_strResultPath = m_strTarget;
    QDialog::accept();
}
