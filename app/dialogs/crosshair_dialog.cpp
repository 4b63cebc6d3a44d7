#include "app/dialogs/crosshair_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>

#include "app/dialogs/tool_window_position.h"
#include "platform/qt/profile.h"

namespace {
const char* const kSection = "Crosshairs";
const char* const kBoxChoiceKey = "Boxsize";
// The widest readouts the fields must hold without the window resizing.
const char* const kWidestReadout = "65535, 65535";

QLabel* NewReadoutField(const char* name) {
    auto* field = new QLabel;
    field->setObjectName(QString::fromLatin1(name));
    field->setMinimumWidth(QFontMetrics(field->font()).horizontalAdvance(kWidestReadout));
    return field;
}
}  // namespace

CCrosshairDialog::CCrosshairDialog(QWidget* parent, std::function<void(int32_t)> setBoxSize)
    : QDialog(parent), setBoxSize_(std::move(setBoxSize)) {
    setWindowTitle(QStringLiteral("Crosshair Data"));
    setAttribute(Qt::WA_DeleteOnClose);

    listIndex_ = Profile::GetInt(kSection, kBoxChoiceKey, kDefaultBoxChoice);
    if (listIndex_ < 0 || listIndex_ >= kBoxSizeChoices)
        listIndex_ = kDefaultBoxChoice;
    // The readouts measure with the box the list shows from the first one on.
    if (setBoxSize_)
        setBoxSize_(BoxSizeFromChoice(listIndex_));

    position_ = NewReadoutField("position");
    value_ = NewReadoutField("value");
    average_ = NewReadoutField("average");
    noise_ = NewReadoutField("noise");
    seeing_ = NewReadoutField("seeing");

    boxChoice_ = new QComboBox;
    boxChoice_->setObjectName(QStringLiteral("boxSize"));
    boxChoice_->setEditable(true);
    boxChoice_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* label : BoxSizeLabels)
        boxChoice_->addItem(QString::fromLatin1(label));
    boxChoice_->setCurrentIndex(listIndex_);
    connect(boxChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        listIndex_ = index;
        if (setBoxSize_)
            setBoxSize_(BoxSizeFromChoice(index));
    });

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Pixel Loc:"), position_);
    form->addRow(QStringLiteral("Value:"), value_);
    form->addRow(QStringLiteral("Avg. Value:"), average_);
    form->addRow(QStringLiteral("Noise:"), noise_);
    form->addRow(QStringLiteral("Seeing:"), seeing_);
    form->addRow(QStringLiteral("BoxSize:"), boxChoice_);
    form->setSizeConstraint(QLayout::SetFixedSize);

    RestoreToolWindowPosition(*this, kSection);
}

CCrosshairDialog::~CCrosshairDialog() { SaveState(); }

void CCrosshairDialog::ShowReadout(const CrosshairReadout& readout) {
    const CrosshairTexts texts = FormatCrosshair(readout);
    position_->setText(QString::fromStdString(texts.position));
    value_->setText(QString::fromStdString(texts.value));
    average_->setText(QString::fromStdString(texts.average));
    noise_->setText(QString::fromStdString(texts.noise));
    seeing_->setText(QString::fromStdString(texts.seeing));
}

void CCrosshairDialog::ClearReadout() {
    for (QLabel* field : {position_, value_, average_, noise_, seeing_})
        field->clear();
}

CrosshairReadout CCrosshairDialog::UpdateAt(const CImage& image, int32_t x, int32_t y,
                                            int32_t boxSize) {
    const CrosshairReadout readout = MeasureAtCursor(image, x, y, boxSize);
    ShowReadout(readout);
    return readout;
}

// Escape and Cancel close the window for good rather than hiding it.
void CCrosshairDialog::reject() { close(); }

void CCrosshairDialog::closeEvent(QCloseEvent* event) {
    SaveState();
    event->accept();
}

// Written once, whether the user closes the window or the program takes it
// down with its parent.
void CCrosshairDialog::SaveState() {
    if (saved_)
        return;
    saved_ = true;
    Profile::WriteInt(kSection, kBoxChoiceKey, listIndex_);
    SaveToolWindowPosition(*this, kSection);
}
