#include "app/wide_convert_prompt.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString Number(double value) { return QString::number(value, 'g', 7); }

// The user's range as typed ("." decimals, whatever the locale), or nothing.
std::optional<WideScale> TypedRange(const QLineEdit& low, const QLineEdit& high) {
    return ParseWideScale((low.text().trimmed() + QLatin1Char(',') + high.text().trimmed()).toStdString());
}

std::optional<WideScale> AskWithDialog(QWidget* parent, const QString& fileName, const WideFitsFile& file,
                                       const WideMapping& automatic) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Quorvane"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* question = new QLabel(QString::fromStdString(WideConvertQuestion(fileName.toStdString(), file, WideScale{})));
    question->setWordWrap(true);
    layout->addWidget(question);
    layout->addWidget(new QLabel(QString::fromStdString(WideMappingText(file, automatic))));

    auto* choices = new QGridLayout;
    auto* automaticChoice = new QRadioButton(QStringLiteral("Automatic: %1 to %2 become 0 to 65535")
                                                 .arg(Number(automatic.low), Number(automatic.high)));
    auto* rangeChoice = new QRadioButton(QStringLiteral("My range: from"));
    auto* low = new QLineEdit(Number(automatic.low));
    auto* high = new QLineEdit(Number(automatic.high));
    automaticChoice->setChecked(true);
    choices->addWidget(automaticChoice, 0, 0, 1, 4);
    choices->addWidget(rangeChoice, 1, 0);
    choices->addWidget(low, 1, 1);
    choices->addWidget(new QLabel(QStringLiteral("to")), 1, 2);
    choices->addWidget(high, 1, 3);
    layout->addLayout(choices);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Convert"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto update = [&] {
        const bool typed = rangeChoice->isChecked();
        low->setEnabled(typed);
        high->setEnabled(typed);
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!typed || TypedRange(*low, *high).has_value());
    };
    QObject::connect(rangeChoice, &QRadioButton::toggled, &dialog, update);
    QObject::connect(low, &QLineEdit::textChanged, &dialog, update);
    QObject::connect(high, &QLineEdit::textChanged, &dialog, update);
    update();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (rangeChoice->isChecked()) return TypedRange(*low, *high);
    return WideScale{};
}

}  // namespace

WideConvertPrompt& WideConvertAsk() {
    static WideConvertPrompt prompt = AskWithDialog;
    return prompt;
}
