#include "app/dialogs/modifications_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "image/texts.h"

namespace {
// The rule runs across the client area this far inside each side.
constexpr int kRuleInset = 2;
// Room between the fixed heading text and the title after it.
constexpr int kHeadingGap = 6;
// Room between the rule and the list below it.
constexpr int kGapBelowRule = 6;
// The list is sized for its longest text: eight lines of five names.
constexpr int kListLines = 8;
constexpr int kListColumns = 5 * 13;
}  // namespace

CModificationsDialog::CModificationsDialog(QWidget* parent, const std::string& documentTitle,
                                           const std::string& history)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Modifications"));

    auto* heading = new QLabel(QString::fromLatin1(kModificationsHeading));
    title_ = new QLabel(QString::fromStdString(ModificationsTitleText(documentTitle)));
    title_->setObjectName(QStringLiteral("title"));
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* headingRow = new QHBoxLayout;
    headingRow->setSpacing(kHeadingGap);
    headingRow->addWidget(heading);
    headingRow->addWidget(title_, 1);

    // The names are padded into columns, which only line up in a fixed-pitch font.
    list_ = new QPlainTextEdit(QString::fromStdString(ModificationsListText(history)));
    list_->setObjectName(QStringLiteral("list"));
    list_->setReadOnly(true);
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics listMetrics(list_->font());
    list_->setMinimumSize(listMetrics.horizontalAdvance(QString(kListColumns + 2, QLatin1Char('M'))),
                          listMetrics.lineSpacing() * (kListLines + 1));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    // The heading sits entirely above the rule; a font too tall for the
    // usual place pushes the rule down rather than striking the text.
    const int headingHeight = std::max(heading->sizeHint().height(), title_->sizeHint().height());
    ruleY_ = std::max(kRuleY, headingHeight + 1);
    auto* layout = new QVBoxLayout(this);
    QMargins margins = layout->contentsMargins();
    margins.setTop(ruleY_ - 1 - headingHeight);
    layout->setContentsMargins(margins);
    layout->setSpacing(0);
    layout->addLayout(headingRow);
    layout->addSpacing(kGapBelowRule + 1);
    layout->addWidget(list_, 1);
    layout->addSpacing(kGapBelowRule);
    layout->addWidget(buttons);
}

QString CModificationsDialog::TitleText() const { return title_->text(); }

QString CModificationsDialog::ListText() const { return list_->toPlainText(); }

void CModificationsDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(kRuleInset, ruleY_, width() - 1 - kRuleInset, ruleY_);
}

void ShowModifications(QWidget* parent, const std::string& documentTitle, const std::string& history) {
    CModificationsDialog dialog(parent, documentTitle, history);
    dialog.exec();
}
