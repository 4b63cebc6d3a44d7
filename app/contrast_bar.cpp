#include "app/contrast_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/contrast_steps.h"
#include "app/contrast_widgets.h"
#include "app/display/auto_levels.h"
#include "app/display/zoom.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

const QString kSection = QStringLiteral("Contrast");
// A stored corner this close to the screen's far edges counts as off screen.
constexpr int kOnScreenMargin = 20;

struct StepSpec {
    int id;
    const char* caption;
    int32_t step;
};
constexpr StepSpec kBackSteps[] = {{CContrastBar::kBackDdn, "DDN", kLargeStepDown},
                                   {CContrastBar::kBackSdn, "SDN", kSmallStepDown},
                                   {CContrastBar::kBackSup, "SUP", kSmallStepUp},
                                   {CContrastBar::kBackDup, "DUP", kLargeStepUp}};
constexpr StepSpec kRangeSteps[] = {{CContrastBar::kRangeDdn, "DDN", kLargeStepDown},
                                    {CContrastBar::kRangeSdn, "SDN", kSmallStepDown},
                                    {CContrastBar::kRangeSup, "SUP", kSmallStepUp},
                                    {CContrastBar::kRangeDup, "DUP", kLargeStepUp}};

const StepSpec* FindStep(int id, bool& isBack) {
    for (const StepSpec& step : kBackSteps) {
        if (step.id == id) return isBack = true, &step;
    }
    for (const StepSpec& step : kRangeSteps) {
        if (step.id == id) return isBack = false, &step;
    }
    return nullptr;
}

QLabel* SpacedLabel(const QString& text, bool vertical) {
    QString spaced;
    for (QChar letter : text) {
        if (!spaced.isEmpty()) spaced += vertical ? QLatin1Char('\n') : QLatin1Char(' ');
        spaced += letter;
    }
    auto* label = new QLabel(spaced);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

CContrastBar::CContrastBar(QWidget* owner) : QDialog(owner, Qt::Tool) {
    setWindowTitle(QStringLiteral("Contrast"));
    setObjectName(QStringLiteral("contrastBar"));
    BuildControls();
    m_auto = Profile::GetInt(kSection, QStringLiteral("Auto"), 0);
    m_invert = Profile::GetInt(kSection, QStringLiteral("Invert"), 0);
    m_smooth = Profile::GetInt(kSection, QStringLiteral("Smooth"), 0);
    UpdateData(false);
    PlaceOnScreen();
}

void CContrastBar::BuildControls() {
    auto makeEdit = [this](const char* name, const char* tip) {
        auto* edit = new QLineEdit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setToolTip(QString::fromLatin1(tip));
        edit->setMaximumWidth(70);
        // Typing a value means the user sets the levels, not the program.
        connect(edit, &QLineEdit::textEdited, this, &CContrastBar::ClearAuto);
        return edit;
    };
    backEdit_ = makeEdit("back", "sets black level (brightness)");
    rangeEdit_ = makeEdit("range", "sets white level (contrast)");

    auto makeGroup = [this](const QString& title, QLineEdit* edit, const StepSpec (&steps)[4]) {
        auto* group = new QGroupBox(title);
        auto* row = new QHBoxLayout(group);
        row->addWidget(edit);
        for (const StepSpec& stepDef : steps) {
            auto* button = new StepButton(QString::fromLatin1(stepDef.caption));
            button->setObjectName(QStringLiteral("step%1").arg(stepDef.id));
            const int id = stepDef.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnStep(id); });
            row->addWidget(button);
        }
        return group;
    };

    auto makeCheck = [this](const char* text, const char* name, const char* tip) {
        auto* box = new QCheckBox(QString::fromLatin1(text));
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(QString::fromLatin1(tip));
        return box;
    };
    smoothBox_ = makeCheck("&Smooth", "smooth", "click to smooth display");
    invertBox_ = makeCheck("&Invert", "invert", "click for negative image");
    autoBox_ = makeCheck("&Auto", "auto", "click to set back/range automatically");
    auto sendOnClick = [this] {
        if (UpdateData(true)) emit applySettings(Members());
    };
    connect(smoothBox_, &QCheckBox::clicked, this, sendOnClick);
    connect(invertBox_, &QCheckBox::clicked, this, sendOnClick);
    connect(autoBox_, &QCheckBox::clicked, this, [this] {
        // Unticking leaves the current levels as they are.
        if (UpdateData(true) && m_auto != 0) emit applySettings(Members());
    });
    auto* processing = new QGroupBox(QStringLiteral("Processing"));
    auto* checks = new QHBoxLayout(processing);
    checks->addWidget(smoothBox_);
    checks->addWidget(invertBox_);
    checks->addWidget(autoBox_);

    magList_ = new QComboBox;
    magList_->setObjectName(QStringLiteral("mag"));
    magList_->setToolTip(QStringLiteral("click to enlarge/shrink image"));
    for (int zoom = 0; zoom < kZoomStepCount; ++zoom) magList_->addItem(QString::fromLatin1(ZoomLabel(zoom)));
    magList_->setCurrentIndex(kZoomOneToOne);
    connect(magList_, &QComboBox::activated, this, sendOnClick);
    auto* magLabel = new QLabel(QStringLiteral("&Mag"));
    magLabel->setBuddy(magList_);

    applyButton_ = new QPushButton(QStringLiteral("Apply"));
    applyButton_->setObjectName(QStringLiteral("apply"));
    applyButton_->setToolTip(QStringLiteral("click to apply back/range"));
    applyButton_->setDefault(true);
    connect(applyButton_, &QPushButton::clicked, this, &CContrastBar::OnApply);

    pad_ = new DragPad;
    pad_->setObjectName(QStringLiteral("dragPad"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(magLabel);
    bottom->addWidget(magList_);
    bottom->addStretch(1);
    bottom->addWidget(applyButton_);

    auto* left = new QVBoxLayout;
    left->addWidget(makeGroup(QStringLiteral("&Back"), backEdit_, kBackSteps));
    left->addWidget(makeGroup(QStringLiteral("&Range"), rangeEdit_, kRangeSteps));
    left->addWidget(processing);
    left->addLayout(bottom);

    auto* right = new QGridLayout;
    right->addWidget(SpacedLabel(QStringLiteral("Back"), true), 0, 0);
    right->addWidget(pad_, 0, 1);
    right->addWidget(SpacedLabel(QStringLiteral("Range"), false), 1, 1);
    right->setRowStretch(2, 1);

    auto* whole = new QHBoxLayout(this);
    whole->addLayout(left);
    whole->addLayout(right);
    whole->setSizeConstraint(QLayout::SetFixedSize);
}

void CContrastBar::PlaceOnScreen() {
    const int x = Profile::GetInt(kSection, QStringLiteral("XPos"), 0);
    const int y = Profile::GetInt(kSection, QStringLiteral("YPos"), 0);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(800, 600);
    if (x < 0 || x + kOnScreenMargin > size.width() || y < 0 || y + kOnScreenMargin > size.height())
        move(size.width() / 10, size.height() / 10);
    else
        move(x, y);
}

void CContrastBar::LoadSettings(const DisplaySettings& settings) {
    m_back = settings.back;
    m_range = settings.range;
    m_auto = settings.autoContrast;
    m_smooth = settings.smooth;
    m_invert = settings.invert;
    m_mag = NormalizedZoom(settings.zoom);
    UpdateData(false);
}

void CContrastBar::ShowZoom(int32_t zoom) {
    m_mag = NormalizedZoom(zoom);
    magList_->setCurrentIndex(m_mag);
}

// Only the edits change: the drop loads the whole settings, and Auto is
// cleared by it, not by the pad's motion.
void CContrastBar::ShowLevels(const DisplaySettings& settings) {
    backEdit_->setText(QString::number(settings.back));
    rangeEdit_->setText(QString::number(settings.range));
}

bool CContrastBar::ReadInteger(QLineEdit& edit, int32_t minimum, int32_t maximum, int32_t& value) {
    bool ok = false;
    const qlonglong typed = edit.text().trimmed().toLongLong(&ok);
    if (!ok) {
        ShowMessage("Please enter an integer.");
    } else if (typed < minimum || typed > maximum) {
        ShowMessage("Please enter an integer between " + std::to_string(minimum) + " and " + std::to_string(maximum) + ".");
        ok = false;
    }
    if (!ok) {
        edit.setFocus();
        edit.selectAll();
        return false;
    }
    value = int32_t(typed);
    return true;
}

bool CContrastBar::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        autoBox_->setChecked(m_auto != 0);
        backEdit_->setText(QString::number(m_back));
        invertBox_->setChecked(m_invert != 0);
        rangeEdit_->setText(QString::number(m_range));
        smoothBox_->setChecked(m_smooth != 0);
        magList_->setCurrentIndex(std::clamp(m_mag, 0, kZoomStepCount - 1));
        return true;
    }
    int32_t back = m_back;
    int32_t range = m_range;
    if (!ReadInteger(*backEdit_, kMinimumBack, kMaximumBack, back)) return false;
    if (!ReadInteger(*rangeEdit_, kMinimumRange, kMaximumRange, range)) return false;
    m_auto = autoBox_->isChecked() ? 1 : 0;
    m_back = back;
    m_invert = invertBox_->isChecked() ? 1 : 0;
    m_range = range;
    m_smooth = smoothBox_->isChecked() ? 1 : 0;
    m_mag = magList_->currentIndex();
    return true;
}

DisplaySettings CContrastBar::Members() const {
    DisplaySettings settings;
    settings.back = m_back;
    settings.range = m_range;
    settings.smooth = m_smooth;
    settings.autoContrast = m_auto;
    settings.invert = m_invert;
    settings.zoom = ZoomOfMagIndex(m_mag);
    return settings;
}

void CContrastBar::OnApply() {
    if (UpdateData(true)) emit applySettings(Members());
}

void CContrastBar::OnStep(int stepId) {
    bool isBack = false;
    const StepSpec* stepDef = FindStep(stepId, isBack);
    if (!stepDef || !UpdateData(true)) return;
    if (isBack) {
        m_back = SteppedBack(m_back, stepDef->step);
        m_auto = 0;
    } else {
        m_range = SteppedRange(m_range, stepDef->step);
    }
    UpdateData(false);
}

void CContrastBar::ClearAuto() {
    m_auto = 0;
    autoBox_->setChecked(false);
}

QRect CContrastBar::PadRect() const {
    const QRect pad(pad_->mapTo(this, QPoint(0, 0)), pad_->size());
    return pad;
}

void CContrastBar::SetMarker(QPoint at) {
    marker_ = at;
    pad_->SetMarker(at - PadRect().topLeft());
}

void CContrastBar::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QRect pad = PadRect();
    if (event->button() != Qt::LeftButton || !pad.contains(at)) {
        QDialog::mousePressEvent(event);
        return;
    }
    setCursor(Qt::BlankCursor);
    const int right = pad.left() + pad.width();
    const int bottom = pad.top() + pad.height();
    SetMarker(QPoint((pad.left() + right) / 2 - 1, (pad.top() + bottom) / 2 - 1));
    pressPoint_ = at;
    dragging_ = true;
}

void CContrastBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    const int dx = pressPoint_.x() - at.x();
    const int dy = pressPoint_.y() - at.y();
    const QRect pad = PadRect();
    const int right = pad.left() + pad.width();
    const int bottom = pad.top() + pad.height();
    int x = (pad.left() + right) / 2 - 1 - dx / 3;
    int y = (pad.top() + bottom) / 2 - 1 - dy / 3;
    if (x > right - 2) x = right - 2; else if (x < pad.left()) x = pad.left();
    if (y > bottom - 2) y = bottom - 2; else if (y < pad.top()) y = pad.top();
    SetMarker(QPoint(x, y));
    emit contrastDrag(dx, dy);
}

void CContrastBar::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    pad_->SetMarker(std::nullopt);
    dragging_ = false;
    // The cursor was hidden while it travelled; it comes back where it went down.
    QCursor::setPos(mapToGlobal(pressPoint_));
    unsetCursor();
    emit contrastDrop();
}

void CContrastBar::reject() {
    Profile::WriteInt(kSection, QStringLiteral("Auto"), m_auto);
    Profile::WriteInt(kSection, QStringLiteral("Invert"), m_invert);
    Profile::WriteInt(kSection, QStringLiteral("Smooth"), m_smooth);
    const QPoint corner = frameGeometry().topLeft();
    Profile::WriteInt(kSection, QStringLiteral("XPos"), corner.x());
    Profile::WriteInt(kSection, QStringLiteral("YPos"), corner.y());
    QDialog::reject();
    deleteLater();
}
