#include "ui/add_chooser.h"

#include "texts/language_table.h"
#include "ui/slot_pixmap.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>

namespace dravik {

namespace {

QIcon LargeIcon(const ImageSlots& slots, std::string_view name, QSize& size) {
    for (const SlotName& entry : LargeButtonSlots()) {
        if (entry.name != name)
            continue;
        const QPixmap picture = SlotPixmap(slots, entry.slot);
        if (picture.isNull())
            break;
        size = picture.size();
        return QIcon(picture);
    }
    return {};
}

} // namespace

AddChooser::AddChooser(QWidget* mainWindow, const ImageSlots& slots) : QDialog(mainWindow) {
    setObjectName("addChooser");
    setWindowTitle(QString::fromStdString(GetText("Menu", "Select Input Files")));
    setFixedSize(270, 160);
    // Modal to the application: the main window takes no input while open.
    setWindowModality(Qt::ApplicationModal);

    auto imageButton = [&](const char* name, const char* image, int x, Choice choice) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        QSize size(72, 72);
        button->setIcon(LargeIcon(slots, image, size));
        button->setIconSize(size.boundedTo(QSize(80, 80)));
        button->setGeometry(x, 30, 80, 80);
        connect(button, &QToolButton::clicked, this, [this, choice] {
            choice_ = choice;
            hide();
            accept();
        });
        return button;
    };
    auto caption = [&](const char* key, int x) {
        auto* label = new QLabel(QString::fromStdString(GetText("Menu", key)), this);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        label->setGeometry(x, 120, 120, 30);
    };
    QToolButton* files = imageButton("addFilesButton", "InFiles", 30, Choice::Files);
    caption("Select Input File", 10);
    imageButton("addFolderButton", "InFolder", 160, Choice::Folder);
    caption("Select Input Folder", 140);
    files->setFocus();
}

AddChooser::Choice AddChooser::run() {
    if (parentWidget() != nullptr) {
        QRect outer = parentWidget()->frameGeometry();
        move(outer.center() - QPoint(width() / 2, height() / 2));
    }
    choice_ = Choice::None;
    // Esc rejects and leaves choice_ at None, as the close box does.
    exec();
    return choice_;
}

} // namespace dravik
