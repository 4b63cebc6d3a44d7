#include "platform/qt/message_box.h"

#include <QMessageBox>

#include "platform/messages.h"

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::information: return QMessageBox::Information;
    case MessageIcon::stop: return QMessageBox::Critical;
    case MessageIcon::question: return QMessageBox::Question;
    case MessageIcon::exclamation: break;
    }
    return QMessageBox::Warning;
}

}  // namespace

void InstallMessageBoxHandler(std::function<QWidget*()> parent) {
    SetMessageHandler([parent = std::move(parent)](const Message& message) {
        QMessageBox box(BoxIcon(message.icon), QString::fromStdString(message.caption),
                        QString::fromStdString(message.text), QMessageBox::Ok,
                        parent ? parent() : nullptr);
        box.exec();
    });
}
