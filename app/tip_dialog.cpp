#include "app/tip_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_folder.h"
#include "app/pictures.h"
#include "platform/messages.h"
#include "platform/qt/profile.h"

namespace {

const QString kSection = QStringLiteral("Tip");
const QString kStartUpKey = QStringLiteral("StartUp");
const QString kFilePosKey = QStringLiteral("FilePos");
const QString kTimeStampKey = QStringLiteral("TimeStamp");
constexpr const char* kTipsFileName = "tips.txt";
constexpr const char* kHeading = "Did you know...";
constexpr const char* kNoTipsFile = "Tips file does not exist in the prescribed directory";
constexpr const char* kTroubleReading = "Trouble reading the tips file";
constexpr int kBulbSide = 40;

// The white area with the bulb and the heading beside it.
class TipHeading : public QWidget {
public:
    TipHeading() { setMinimumHeight(kBulbSide + 8); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.drawPixmap(4, 4, TipBulbPicture(kBulbSide));
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 1.5);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRect(kBulbSide + 14, 4, width() - kBulbSide - 18, kBulbSide),
                         Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, QString::fromLatin1(kHeading));
    }
};

}  // namespace

// A tips file in the current folder comes first, so a user can bring their
// own; otherwise the one shipped in the program's data folder.
QString CTipDialog::LocateTipsFile() {
    const QString here = QDir::current().filePath(QString::fromLatin1(kTipsFileName));
    if (QFileInfo::exists(here)) return here;
    const QString shipped = SharedFilePath(QString::fromLatin1(kTipsFileName));
    return shipped.isEmpty() ? here : shipped;
}

CTipDialog::CTipDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tip of the Day"));
    showAtStartup_ = Profile::GetInt(kSection, kStartUpKey, 0) == 0;
    long position = Profile::GetInt(kSection, kFilePosKey, 0);
    tipText_ = QStringLiteral("Some String");
    if (!file_.Open(QFile::encodeName(LocateTipsFile()).toStdString())) {
        tipText_ = QString::fromLatin1(kNoTipsFile);
    } else {
        const QString stamp = QString::fromStdString(file_.ModificationStamp());
        // A replaced file starts again at its first tip.
        if (stamp != Profile::GetString(kSection, kTimeStampKey)) {
            position = 0;
            Profile::WriteString(kSection, kTimeStampKey, stamp);
        }
        if (!file_.Seek(position))
            ShowMessage(kTroubleReading, "FYI");
        else
            OnNextTip();
    }
    BuildControls();
}

CTipDialog::~CTipDialog() {
    if (file_.IsOpen()) Profile::WriteInt(kSection, kFilePosKey, int(file_.Position()));
}

void CTipDialog::BuildControls() {
    auto* heading = new TipHeading;
    tipLabel_ = new QLabel;
    tipLabel_->setObjectName(QStringLiteral("tipText"));
    tipLabel_->setWordWrap(true);
    tipLabel_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    tipLabel_->setMargin(10);
    tipLabel_->setMinimumSize(360, 110);
    tipLabel_->setAutoFillBackground(true);
    QPalette white = tipLabel_->palette();
    white.setColor(QPalette::Window, Qt::white);
    tipLabel_->setPalette(white);

    auto* picture = new QFrame;
    picture->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* inside = new QVBoxLayout(picture);
    inside->setContentsMargins(1, 1, 1, 1);
    inside->setSpacing(0);
    inside->addWidget(heading);
    inside->addWidget(tipLabel_, 1);

    startupBox_ = new QCheckBox(QStringLiteral("&Show Tips on StartUp"));
    startupBox_->setObjectName(QStringLiteral("showAtStartup"));
    startupBox_->setChecked(showAtStartup_);
    connect(startupBox_, &QCheckBox::toggled, this, [this](bool on) { showAtStartup_ = on; });

    nextButton_ = new QPushButton(QStringLiteral("&Next Tip"));
    nextButton_->setObjectName(QStringLiteral("nextTip"));
    nextButton_->setEnabled(file_.IsOpen() && !noTips_);
    connect(nextButton_, &QPushButton::clicked, this, &CTipDialog::OnNextTip);
    auto* close = new QPushButton(QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &CTipDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(startupBox_);
    buttons->addStretch(1);
    buttons->addWidget(nextButton_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture, 1);
    layout->addLayout(buttons);
    ShowTip();
}

void CTipDialog::OnNextTip() {
    std::string text;
    switch (file_.NextTip(text)) {
    case TipFile::Result::tip: tipText_ = QString::fromStdString(text); break;
    case TipFile::Result::seekFailed: ShowMessage(kTroubleReading, "FYI"); break;
    case TipFile::Result::noTips:
        // Every line is a comment: say so rather than read forever.
        tipText_ = QString::fromLatin1(kTroubleReading);
        noTips_ = true;
        if (nextButton_) nextButton_->setEnabled(false);
        break;
    }
    ShowTip();
}

void CTipDialog::ShowTip() {
    if (tipLabel_) tipLabel_->setText(tipText_.trimmed());
}

void CTipDialog::accept() {
    Profile::WriteInt(kSection, kStartUpKey, showAtStartup_ ? 0 : 1);
    QDialog::accept();
}
