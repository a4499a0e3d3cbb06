#include "ui/uninstall_dialog.h"

#include "settings/product.h"
#include "texts/language_table.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace dravik {
namespace {
QString Text(const char* group, const char* key) {
    return QString::fromStdString(GetText(group, key));
}
} // namespace

UninstallDialog::UninstallDialog(std::function<void(const QString&)> openUrl, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      openUrl_(std::move(openUrl)) {
    setWindowTitle(Text("Uninstall", "Title"));
    setFixedSize(300, 100);
    check_ = new QCheckBox(Text("Uninstall", "Uninstall Text"), this);
    check_->setGeometry(30, 20, 250, 20);
    check_->setChecked(true);
    next_ = new QPushButton(Text("Uninstall", "Next"), this);
    next_->setGeometry(200, 60, 80, 25);
    next_->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &UninstallDialog::onNext);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    next_->setFocus();
}

void UninstallDialog::onNext() {
    if (check_->isChecked() && openUrl_)
        openUrl_(QString::fromUtf8(kUninstallUrl));
    close();
}

} // namespace dravik
