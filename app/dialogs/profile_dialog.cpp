#include "app/dialogs/profile_dialog.h"

#include <QCloseEvent>
#include <QPainter>

#include "app/dialogs/dialog_units.h"
#include "app/dialogs/profile_painter.h"
#include "app/dialogs/tool_window_position.h"

namespace {
const char* const kSection = "Profile";
// The window's client area in dialog units.
constexpr int kClientAcross = 180;
constexpr int kClientDown = 106;
}  // namespace

CProfileDialog::CProfileDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Stellar Profile"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(DialogUnitsToPixels(*this, kClientAcross, kClientDown));
    RestoreToolWindowPosition(*this, kSection);
}

CProfileDialog::~CProfileDialog() { SavePosition(); }

void CProfileDialog::SetProfile(ProfileResult profile) {
    profile_ = std::move(profile);
    figures_ = MeasureProfileFigures(profile_);
    update();
}

QString CProfileDialog::FiguresText() const {
    return QString::fromStdString(ProfileFiguresText(figures_, !profile_.samples.empty()));
}

ProfilePlot CProfileDialog::CurrentPlot() const {
    return LayoutProfilePlot(profile_, width(), height());
}

void CProfileDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ProfilePlot plot = CurrentPlot();
    PaintProfilePlot(painter, plot, size());
    PaintProfileFigures(painter, plot, FiguresText(), size());
}

void CProfileDialog::reject() { close(); }

void CProfileDialog::closeEvent(QCloseEvent* event) {
    SavePosition();
    event->accept();
}

void CProfileDialog::SavePosition() {
    if (saved_)
        return;
    saved_ = true;
    SaveToolWindowPosition(*this, kSection);
}
