#include "app/dialogs/decon_params_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {
const char* const kSection = "DeconParameters";
const char* const kIndexKey = "Aggressiveness";
const char* const kProtectKey = "Protect";
const char* const kInvalidChoice =
    "The number of iterations is invalid.  Make your selection from the pop-up.";
}  // namespace

CDeconParamsDialog::CDeconParamsDialog(QWidget* parent, StartWorker startWorker)
    : QDialog(parent), startWorker_(std::move(startWorker)) {
    setWindowTitle(QStringLiteral("Deconvolution Params"));
    listIndex_ = Profile::GetInt(kSection, kIndexKey, kDefaultIndex);

    iterations_ = new QComboBox;
    iterations_->setObjectName(QStringLiteral("iterations"));
    iterations_->setEditable(true);
    iterations_->setInsertPolicy(QComboBox::NoInsert);
    iterations_->setMaxVisibleItems(kEntryCount);
    for (int entry = 1; entry <= kEntryCount; ++entry)
        iterations_->addItem(QString::number(entry));
    // A stored index that names no entry (typed text last time, or a damaged
    // setting) opens with nothing selected, so OK asks for a real choice.
    iterations_->setCurrentIndex(listIndex_ >= 0 && listIndex_ < kEntryCount ? listIndex_ : -1);
    connect(iterations_, &QComboBox::currentIndexChanged, this, [this] { PullSelection(); });

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Iterations:")));
    row->addWidget(iterations_, 1);
    protect_ = Profile::GetInt(kSection, kProtectKey, 0) != 0;
    protectBox_ = new QCheckBox(QStringLiteral("Protect stars and sky"));
    protectBox_->setObjectName(QStringLiteral("protect"));
    protectBox_->setToolTip(QStringLiteral(
        "Sharper star cores, the sky's grain and the stars' light kept; off runs the usual deconvolution"));
    protectBox_->setChecked(protect_);
    connect(protectBox_, &QCheckBox::toggled, this, [this](bool on) { protect_ = on; });
    auto* column = new QVBoxLayout;
    column->addLayout(row);
    column->addWidget(protectBox_);
    auto* group = new QGroupBox;
    group->setLayout(column);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

// The list index counts only when the edit text is exactly one of the
// entries; typing "12" or clearing the field leaves no valid choice.
void CDeconParamsDialog::PullSelection() {
    listIndex_ = iterations_->findText(iterations_->currentText().trimmed(), Qt::MatchExactly);
}

void CDeconParamsDialog::accept() {
    PullSelection();
    if (listIndex_ < 0 || listIndex_ >= kEntryCount) {
        ShowMessage(kInvalidChoice, "FYI", MessageIcon::exclamation);
        return;
    }
    if (startWorker_)
        startWorker_();
    QDialog::accept();
}

// Remembered however the dialog ends, so Cancel keeps the last pick too.
void CDeconParamsDialog::done(int result) {
    Profile::WriteInt(kSection, kIndexKey, listIndex_);
    Profile::WriteInt(kSection, kProtectKey, protect_ ? 1 : 0);
    QDialog::done(result);
}
