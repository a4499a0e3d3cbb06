#include "ui/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace dravik {
namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* Owner() {
    return QApplication::activeWindow();
}

} // namespace

void QtMessageBoxes::warning(const std::string& title, const std::string& text) {
    QMessageBox::warning(Owner(), Q(title), Q(text));
}

void QtMessageBoxes::error(const std::string& title, const std::string& text) {
    QMessageBox::critical(Owner(), Q(title), Q(text));
}

void QtMessageBoxes::info(const std::string& title, const std::string& text) {
    QMessageBox::information(Owner(), Q(title), Q(text));
}

bool QtMessageBoxes::askWarning(const std::string& title, const std::string& text) {
    return QMessageBox::warning(Owner(), Q(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

bool QtMessageBoxes::askQuestion(const std::string& title, const std::string& text) {
    return QMessageBox::question(Owner(), Q(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

} // namespace dravik
