#include "app/about_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMouseEvent>

#include "app/pictures.h"

// Addresses in the domain kept for examples: the program has no vendor site.
const char* const CAboutDialog::kWebPage = "https://quorvane.example.org/";
const char* const CAboutDialog::kMailAddress = "mailto:support@quorvane.example.org";

LinkLabel::LinkLabel(const QString& text, const QUrl& address, QWidget* parent)
    : QLabel(text, parent), address_(address) {
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette blue = palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 200));
    setPalette(blue);
    setToolTip(address.toDisplayString());
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        QDesktopServices::openUrl(address_);
    QLabel::mouseReleaseEvent(event);
}

CAboutDialog::CAboutDialog(const QString& version, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorvane"));
    auto* icon = new QLabel;
    icon->setPixmap(ApplicationIcon().pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("<b>Quorvane</b>"));
    auto* versionLabel = new QLabel(QStringLiteral("Version ") + version.left(kLongestVersion));
    versionLabel->setObjectName(QStringLiteral("version"));
    auto* purpose = new QLabel(QStringLiteral("Sharpens CCD images of the sky by damped\nLucy-Richardson deconvolution."));
    auto* web = new LinkLabel(QStringLiteral("Quorvane on the web"), QUrl(QString::fromLatin1(kWebPage)));
    web->setObjectName(QStringLiteral("webLink"));
    auto* mail = new LinkLabel(QStringLiteral("Write to the Quorvane team"), QUrl(QString::fromLatin1(kMailAddress)));
    mail->setObjectName(QStringLiteral("mailLink"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(versionLabel, 1, 1);
    layout->addWidget(purpose, 2, 1);
    layout->addWidget(web, 3, 1);
    layout->addWidget(mail, 4, 1);
    layout->addWidget(buttons, 5, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
