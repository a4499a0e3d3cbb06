#include "ui/about_dialog.h"

#include "settings/product.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "ui/shell_links.h"
#include "ui/shell_targets.h"
#include "ui/slot_pixmap.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace dravik {
namespace {

QString Text(const char* group, const char* key) {
    return QString::fromStdString(GetText(group, key));
}

constexpr Qt::WindowFlags kSmallWindow =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// A blue link; the click goes to target rather than to whatever the text says.
QLabel* MakeLink(QWidget* parent, QRect geometry, const QString& shown, std::string target) {
    auto* link = new QLabel(parent);
    link->setGeometry(geometry);
    link->setTextFormat(Qt::RichText);
    link->setText(
        QString("<a href=\"#\" style=\"color:#0000ff\">%1</a>").arg(shown.toHtmlEscaped()));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(link, &QLabel::linkActivated, link,
                     [target = std::move(target)] { OpenWithShell(target); });
    return link;
}

template <typename Dialog> Dialog* OpenModal(Dialog* dialog) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open(); // window-modal: the main window takes no input meanwhile
    dialog->activateWindow();
    return dialog;
}

} // namespace

AboutDialog::AboutDialog(const ImageSlots& slots, QWidget* mainWindow)
    : QDialog(mainWindow, kSmallWindow) {
    setObjectName("aboutDialog");
    setWindowTitle(Text("About", "Title"));
    setFixedSize(360, 240);

    auto* banner = new QLabel(this);
    banner->setGeometry(0, 0, 360, 40);
    banner->setPixmap(SlotPixmap(slots, 0));
    auto* frame = new QFrame(this);
    frame->setGeometry(0, 40, 360, 150);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Plain);

    version_ =
        new QLabel(QString::fromStdString(MakeTitleText(kProgramTitle, kProgramVersion)), this);
    version_->setGeometry(20, 50, 320, 20);
    version_->setAlignment(Qt::AlignCenter);
    (new QLabel(Text("About", "Website"), this))->setGeometry(80, 100, 60, 20);
    (new QLabel(Text("About", "Email"), this))->setGeometry(80, 120, 50, 20);
    homePage_ = MakeLink(this, {140, 100, 215, 20}, QString::fromUtf8(kHomePageUrl), kHomePageUrl);
    support_ =
        MakeLink(this, {140, 120, 215, 20}, QString::fromUtf8(kSupportAddress), SupportMailLink());

    ok_ = new QPushButton(Text("Dialog", "OK"), this);
    ok_->setGeometry(140, 200, 80, 25);
    ok_->setDefault(true); // Enter; Esc is the dialog's own reject
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

ConverterSearchDialog::ConverterSearchDialog(AppState& state, QWidget* mainWindow)
    : QDialog(mainWindow, kSmallWindow), state_(state) {
    setObjectName("converterSearchDialog");
    setWindowTitle(Text("Custom-Converter", "Title"));
    setFixedSize(370, 60);

    (new QLabel(Text("Custom-Converter", "From"), this))->setGeometry(10, 23, 40, 20);
    from_ = new QLineEdit(this);
    from_->setGeometry(50, 20, 80, 20);
    (new QLabel(Text("Custom-Converter", "To"), this))->setGeometry(150, 23, 30, 20);
    to_ = new QLineEdit(this);
    to_->setGeometry(180, 20, 80, 20);
    search_ = new QPushButton(Text("Custom-Converter", "Search"), this);
    search_->setGeometry(280, 18, 80, 25);
    search_->setDefault(true); // Enter in either field
    connect(search_, &QPushButton::clicked, this, &ConverterSearchDialog::search);
    from_->setFocus();
}

void ConverterSearchDialog::search() {
    const std::string from = CleanSearchExtension(from_->text().toStdString());
    const std::string to = CleanSearchExtension(to_->text().toStdString());
    if (from.empty() || to.empty()) {
        ShowWarning(GetText("Msg", "Empty extensions"));
        return;
    }
    state_.searchFrom = from;
    state_.searchTo = to;
    hide();
    OpenWithShell(ConverterSearchUrl(from, to));
    accept();
}

AboutDialog* ShowAbout(const ImageSlots& slots, QWidget* mainWindow) {
    auto* dialog = OpenModal(new AboutDialog(slots, mainWindow));
    dialog->okButton()->setFocus();
    return dialog;
}

ConverterSearchDialog* ShowConverterSearch(AppState& state, QWidget* mainWindow) {
    auto* dialog = OpenModal(new ConverterSearchDialog(state, mainWindow));
    dialog->fromField()->setFocus();
    return dialog;
}

} // namespace dravik
