#include "app/psf_window.h"

#include <QPainter>
#include <algorithm>

#include "app/quorvane_doc.h"
#include "app/quorvane_view.h"

namespace {
constexpr int kCell = 20;       // screen pixels per PSF pixel
constexpr int kMargin = 8;
constexpr int kTextHeight = 40;
}  // namespace

PsfWindow::PsfWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("PSF"));
    setObjectName(QStringLiteral("PsfWindow"));
    setFixedSize(kPsfSize * kCell + 2 * kMargin, kPsfSize * kCell + 2 * kMargin + kTextHeight);
}

void PsfWindow::Follow(CQuorvaneView& view) {
    disconnect(following_);
    view_ = &view;
    following_ = connect(&view, &CQuorvaneView::commandStateChanged, this, &PsfWindow::Refresh);
    Refresh();
}

void PsfWindow::Refresh() {
    if (!view_) return;
    const CQuorvaneDoc& document = view_->GetDocument();
    if (document.IsRunning() || !document.HasImage()) return;
    std::vector<StarPick> picks;
    for (const StarPoint& star : document.Stars()) picks.push_back({star.x, star.y});
    const CImage& image = document.Image();
    preview_ = PreviewPsf(image.pixels.data(), image.Width, image.Height, picks, {.saturationLevel = image.Sat_level});
    picks_ = int(picks.size());
    update();
}

QString PsfWindow::SummaryText() const {
    if (preview_.starsUsed == 0)
        return picks_ == 0 ? QStringLiteral("No stars picked.") : QStringLiteral("None of the picks is usable.");
    return QStringLiteral("FWHM %1 x %2 px, ellipticity %3, %4 of %5 stars used.")
        .arg(QString::number(preview_.fwhmX, 'f', 2), QString::number(preview_.fwhmY, 'f', 2),
             QString::number(preview_.ellipticity, 'f', 2))
        .arg(preview_.starsUsed)
        .arg(picks_);
}

void PsfWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    float peak = 0.0f;
    for (const auto& row : preview_.psf)
        for (float v : row) peak = std::max(peak, v);
    for (int i = 0; i < kPsfSize; ++i)
        for (int j = 0; j < kPsfSize; ++j) {
            const int grey = peak > 0 ? int(std::clamp(preview_.psf[i][j] / peak, 0.0f, 1.0f) * 255.0f + 0.5f) : 0;
            painter.fillRect(kMargin + j * kCell, kMargin + i * kCell, kCell, kCell, QColor(grey, grey, grey));
        }
    painter.setPen(Qt::white);
    const QRect text(kMargin, kMargin + kPsfSize * kCell + 4, width() - 2 * kMargin, kTextHeight - 4);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, SummaryText());
}

PsfWindow* ShowPsfWindow(CQuorvaneView& view) {
    QWidget* top = view.window();
    auto* window = top->findChild<PsfWindow*>(QStringLiteral("PsfWindow"), Qt::FindDirectChildrenOnly);
    if (!window) window = new PsfWindow(top);
    window->Follow(view);
    window->show();
    window->raise();
    return window;
}
