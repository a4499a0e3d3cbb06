#include "ui/preferences/preferences_dialog.h"

#include "settings/config_file.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "ui/preferences/preferences_choosers.h"
#include "ui/preferences/preferences_sections.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimeZone>
#include <QTreeWidget>

namespace dravik {
namespace {

QString Text(const char* group, const char* key) {
    return QString::fromStdString(GetText(group, key));
}

struct Section {
    const char* key; // "Preferences" text of the list item and the title
    QWidget* (*build)(PreferencesPageContext&);
};

const Section kSections[kPreferencesSections] = {
    {"General", BuildGeneralPage},     {"Interface", BuildInterfacePage},
    {"Input", BuildInputPage},         {"Output", BuildOutputPage},
    {"Transform", BuildTransformPage}, {"Adjustment", BuildAdjustmentPage},
    {"Frame", BuildFramePage},         {"Watermark", BuildWatermarkPage},
    {"Advanced", BuildAdvancedPage},
};

DefaultsContext WindowDefaults() {
    DefaultsContext context;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        context.desktopWidth = screen->geometry().width();
        context.desktopHeight = screen->geometry().height();
    }
    // Timestamps are local wall-clock seconds: the local time read as if it were UTC.
    const QDateTime local = QDateTime::currentDateTime();
    context.now =
        static_cast<int32_t>(QDateTime(local.date(), local.time(), Qt::UTC).toSecsSinceEpoch());
    return context;
}

} // namespace

PreferencesDialog::PreferencesDialog(WindowContext& ctx, QWidget* mainWindow,
                                     const QIcon& formatIcon,
                                     std::function<void(int)> applyInterfaceChanges)
    : QDialog(mainWindow), ctx_(ctx), apply_(std::move(applyInterfaceChanges)) {
    setObjectName("preferencesDialog");
    setWindowTitle(Text("Preferences", "Title"));
    setFixedSize(600, 350);

    list_ = new QTreeWidget(this);
    list_->setObjectName("sectionList");
    list_->setGeometry(10, 10, 120, 295);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    for (const Section& section : kSections)
        new QTreeWidgetItem(list_, QStringList{Text("Preferences", section.key)});

    auto* band = new QFrame(this);
    band->setGeometry(140, 10, 450, 30);
    band->setFrameShape(QFrame::Box);
    band->setAutoFillBackground(true);
    QPalette white = band->palette();
    white.setColor(QPalette::Window, Qt::white);
    band->setPalette(white);
    title_ = new QLabel(this);
    title_->setObjectName("sectionTitle");
    title_->setGeometry(150, 17, 330, 20);
    title_->setAutoFillBackground(true);
    title_->setPalette(white);
    QFont font("MS Shell Dlg", 10);
    font.setBold(true);
    title_->setFont(font);

    // Colour dialogs belong to this window so they stay above it.
    rows_.setColourChooser(PlatformColourChooser(this));
    PreferencesPageContext context{this, rows_, ctx_.settings, ctx_, formatIcon};
    for (int i = 0; i < kPreferencesSections; ++i) {
        pages_[i] = kSections[i].build(context);
        pages_[i]->setGeometry(kPageArea);
        pages_[i]->hide();
    }

    auto* defaults = new QPushButton(Text("Dialog", "Defaults"), this);
    defaults->setObjectName("defaultsButton");
    defaults->setGeometry(10, 315, 80, 25);
    defaults->setAutoDefault(false);
    auto* ok = new QPushButton(Text("Dialog", "OK"), this);
    ok->setObjectName("okButton");
    ok->setGeometry(420, 315, 80, 25);
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(Text("Dialog", "Cancel"), this);
    cancel->setObjectName("cancelButton");
    cancel->setGeometry(510, 315, 80, 25);
    cancel->setAutoDefault(false);

    connect(list_, &QTreeWidget::currentItemChanged, this,
            [this] { showSection(list_->indexOfTopLevelItem(list_->currentItem())); });
    connect(ok, &QPushButton::clicked, this, &PreferencesDialog::pressOk);
    connect(defaults, &QPushButton::clicked, this, &PreferencesDialog::pressDefaults);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // QDialog already maps Esc to reject; the shortcut keeps it working while a drop-down or
    // spin has the focus and would otherwise swallow the key.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QDialog::reject);
    // With a drop-down list open, Esc belongs to the list. The list closes itself on the key's
    // shortcut check but lets the check go on, so the shortcut above would then cancel the
    // whole dialog: the lists' keys pass here first (a filter installed later runs earlier).
    for (QComboBox* combo : findChildren<QComboBox*>())
        combo->view()->installEventFilter(this);
}

PreferencesDialog::~PreferencesDialog() = default;

bool PreferencesDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
        for (QComboBox* combo : findChildren<QComboBox*>()) {
            if (combo->view() == watched && combo->view()->isVisible()) {
                combo->hidePopup();
                event->accept(); // taken: no shortcut sees this key
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

QWidget* PreferencesDialog::page(int section) const {
    return section >= 0 && section < kPreferencesSections ? pages_[section] : nullptr;
}

void PreferencesDialog::showSection(int section) {
    if (section < 0 || section >= kPreferencesSections)
        section = 0;
    section_ = section;
    title_->setText(Text("Preferences", kSections[section].key));
    for (int i = 0; i < kPreferencesSections; ++i)
        pages_[i]->setVisible(i == section);
    if (list_->currentItem() != list_->topLevelItem(section))
        list_->setCurrentItem(list_->topLevelItem(section));
}

void PreferencesDialog::fillPreferences() {
    rows_.fill(ctx_.settings);
    showSection(ctx_.state.preferencesSection);
    ctx_.state.preferencesSection = 0;
}

void PreferencesDialog::selectedInterface(std::string& theme, int& size) const {
    theme = ctx_.settings.interface.uiTheme;
    size = ctx_.settings.interface.uiSize;
    Settings probe = ctx_.settings;
    for (const auto& row : rows_.rows()) {
        const std::string name = RowName(row->description.group, row->description.key);
        if (name == "Interface/UI Theme" || name == "Interface/UI Size") {
            PreferencesRows::storeOne(*row, probe);
        }
    }
    theme = probe.interface.uiTheme;
    size = probe.interface.uiSize;
}

int PreferencesDialog::refreshLevel(const std::string& theme, int size) const {
    if (theme != ctx_.settings.interface.uiTheme)
        return 1; // a new theme reloads everything, the toolbar included
    if (size != ctx_.settings.interface.uiSize)
        return 2;
    return 0;
}

void PreferencesDialog::pressOk() {
    std::string theme;
    int size = 0;
    selectedInterface(theme, size);
    const int level = refreshLevel(theme, size);
    Settings& settings = ctx_.settings;
    rows_.store(settings);
    settings.general.language = "en";
    Settings::Adjustment& adjust = settings.adjustment;
    adjust.doImageColorCorrection = adjust.imageBrightness != 0 || adjust.imageContrast != 0 ||
                                            adjust.imageGamma != 1.0f || adjust.imageInvert != 0
                                        ? 1
                                        : 0;
    finish(level);
}

void PreferencesDialog::pressDefaults() {
    if (!ConfirmResetToDefaults())
        return;
    std::string theme;
    int size = 0;
    selectedInterface(theme, size);
    ApplyDefaults(ctx_.settings, false, WindowDefaults());
    finish(refreshLevel(theme, size));
}

bool SaveWindowSettings(const Settings& settings) {
    if (SaveConfig(settings, settings.configPath))
        return true;
    ShowWarning(SubstituteArgs(GetText("Msg", "Unable to save settings"), settings.configPath));
    return false;
}

void PreferencesDialog::finish(int level) {
    SaveWindowSettings(ctx_.settings);
    ctx_.state.interfaceRefresh = level;
    if (apply_)
        apply_(level);
    accept();
}

PreferencesDialog* OpenPreferences(WindowContext& ctx, QWidget* mainWindow, const QIcon& formatIcon,
                                   std::function<void(int)> applyInterfaceChanges) {
    auto* dialog =
        new PreferencesDialog(ctx, mainWindow, formatIcon, std::move(applyInterfaceChanges));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->fillPreferences();
    dialog->open(); // window-modal over the main window, which takes no input meanwhile
    dialog->activateWindow();
    dialog->sectionList()->setFocus();
    return dialog;
}

} // namespace dravik
