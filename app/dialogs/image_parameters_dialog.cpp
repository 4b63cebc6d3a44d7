#include "app/dialogs/image_parameters_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "image/texts.h"

namespace {

// The rows each group box holds, as [first, end) of the field list.
struct FieldGroup {
    const char* title;
    int first;
    int end;
};
constexpr FieldGroup kGroups[] = {
    {"Image Parameters", 0, 4},
    {"CCD Parameters", 4, 14},
    {"Telescope Parameters", 14, kParameterFieldCount},
};

QString FieldName(int row) {
    return QStringLiteral("field%1").arg(kFirstParameterControl + row);
}

}  // namespace

CImageParametersDialog::CImageParametersDialog(QWidget* parent, const CImage& image,
                                               const std::string& documentTitle)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Image Parameters"));
    const auto texts = ParameterFieldTexts(image, documentTitle);

    auto* layout = new QVBoxLayout(this);
    for (const FieldGroup& group : kGroups) {
        auto* box = new QGroupBox(QString::fromLatin1(group.title));
        auto* form = new QFormLayout(box);
        for (int row = group.first; row < group.end; ++row) {
            auto* value = new QLabel(QString::fromStdString(texts[size_t(row)]));
            value->setObjectName(FieldName(row));
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            form->addRow(QString::fromLatin1(ParameterFieldLabels[size_t(row)]), value);
        }
        layout->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLabel* CImageParametersDialog::ValueField(int row) const {
    return findChild<QLabel*>(FieldName(row));
}

void ShowImageParameters(QWidget* parent, const CImage& image, const std::string& documentTitle) {
    CImageParametersDialog dialog(parent, image, documentTitle);
    dialog.exec();
}
