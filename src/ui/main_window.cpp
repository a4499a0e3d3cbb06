#include "ui/main_window.h"

#include "batch/output_history.h"
#include "engine/format_tables.h"
#include "inputs/add_inputs.h"
#include "inputs/list_workers.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "settings/product.h"
#include "texts/language_table.h"
#include "themes/image_slots.h"
#include "ui/about_dialog.h"
#include "ui/add_chooser.h"
#include "ui/conversion_dialog.h"
#include "ui/input_dialogs.h"
#include "ui/main_window_layout.h"
#include "ui/preferences/preferences_dialog.h"
#include "ui/shell_links.h"
#include "ui/shell_targets.h"
#include "ui/slot_pixmap.h"
#include "ui/update_checker.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>

namespace dravik {

// Workers call rowAdded on their own threads; posting to the window keeps
// the widgets on the GUI thread, and posted events to one receiver arrive in
// the order they were posted.
class QueuedRowObserver : public InputObserver {
  public:
    explicit QueuedRowObserver(MainWindow* window) : window_(window) {}
    void rowAdded(const std::string& path) override {
        QMetaObject::invokeMethod(
            window_, [w = window_, path] { w->addRow(path); }, Qt::QueuedConnection);
    }

  private:
    MainWindow* window_;
};

namespace {

// For additions made on the GUI thread itself, where waiting for the queue
// would only delay the row.
class DirectRowObserver : public InputObserver {
  public:
    explicit DirectRowObserver(MainWindowHooks& hooks) : hooks_(hooks) {}
    void rowAdded(const std::string& path) override { hooks_.addRow(path); }

  private:
    MainWindowHooks& hooks_;
};

QString Text(std::string_view group, std::string_view key, const char* suffix = "") {
    return QString::fromStdString(GetText(group, key) + suffix);
}

int SlotOf(std::span<const SlotName> names, std::string_view name) {
    for (const SlotName& entry : names)
        if (entry.name == name)
            return entry.slot;
    return -1;
}

QIcon SmallIcon(const ImageSlots& slots, std::string_view name) {
    return QIcon(SlotPixmap(slots, SlotOf(SmallIconSlots(), name)));
}

QIcon ToolbarIcon(const ImageSlots& slots, std::string_view name) {
    return QIcon(SlotPixmap(slots, SlotOf(ToolbarIconSlots(), name)));
}

QPixmap LargeImage(const ImageSlots& slots, std::string_view name) {
    return SlotPixmap(slots, SlotOf(LargeButtonSlots(), name));
}

// One menu row; an empty key is a separator.
struct MenuEntry {
    const char* key;
    const char* suffix;
    Command command;
    const char* icon;
};

struct MenuTitle {
    const char* key;
    std::span<const MenuEntry> entries;
};

constexpr MenuEntry kFileMenu[] = {
    {"New", "\tCtrl+N", Command::New, "New"},
    {"", "", Command::New, ""},
    {"Select Input Files", "", Command::Add, "Add"},
    {"Select Output Folder", "", Command::OutFolder, "OutFolder"},
    {"", "", Command::New, ""},
    {"Import Input Files", "", Command::ImportFiles, "ImportFiles"},
    {"Export Input Files", "", Command::ExportFiles, "ExportFiles"},
    {"", "", Command::New, ""},
    {"Exit", "\tAlt+X", Command::Exit, "Exit"},
};
constexpr MenuEntry kEditMenu[] = {
    {"Copy", "\tCtrl+C", Command::Copy, "Copy"},
    {"Delete", "\tCtrl+Del", Command::Delete, "Delete"},
    {"", "", Command::New, ""},
    {"Select All", "\tCtrl+A", Command::SelectAll, "SelectAll"},
};
constexpr MenuEntry kConverterMenu[] = {
    {"Convert", "\tF5", Command::Convert, "Convert"},
    {"", "", Command::New, ""},
    {"Custom Converter", "", Command::CustomConverter, "CustomConverter"},
    {"", "", Command::New, ""},
    {"Preferences", "", Command::Preferences, "Preferences"},
};
constexpr MenuEntry kHelpMenu[] = {
    {"Manual", "\tF1", Command::Help, "Help"},
    {"", "", Command::New, ""},
    {"Send Feedback", "", Command::Email, "Email"},
    {"Visit Homepage", "", Command::Web, "Web"},
    {"Check For New Version", "", Command::Updates, "Updates"},
    {"", "", Command::New, ""},
    {"About", "", Command::About, "About"},
};
constexpr MenuTitle kMenus[] = {
    {"File", kFileMenu},
    {"Edit", kEditMenu},
    {"Converter", kConverterMenu},
    {"Help", kHelpMenu},
};
constexpr MenuEntry kContextMenu[] = {
    {"Copy", "\tCtrl+C", Command::Copy, "Copy"},
    {"Delete", "\tCtrl+Del", Command::Delete, "Delete"},
    {"", "", Command::New, ""},
    {"Select All", "\tCtrl+A", Command::SelectAll, "SelectAll"},
};

// Toolbar buttons; a null key is a separator. The tooltip is the menu text.
struct ToolbarEntry {
    Command command;
    const char* icon;
    const char* tooltipKey;
};
constexpr ToolbarEntry kToolbar[] = {
    {Command::New, "New", "New"},
    {Command::Add, "Add", "Select Input Files"},
    {Command::OutFolder, "OutFolder", "Select Output Folder"},
    {Command::New, nullptr, nullptr},
    {Command::Preferences, "Preferences", "Preferences"},
    {Command::New, nullptr, nullptr},
    {Command::Convert, "Convert", "Convert"},
    {Command::New, nullptr, nullptr},
    {Command::Help, "Help", "Manual"},
    {Command::Email, "Email", "Send Feedback"},
    {Command::Web, "Web", "Visit Homepage"},
    {Command::Updates, "Updates", "Check For New Version"},
};

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void Place(QWidget* widget, const ControlRect& r) {
    widget->setGeometry(r.x, r.y, r.width, r.height);
}

} // namespace

void InputListView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    int type = event->button() == Qt::RightButton ? RightClick : LeftClick;
    Q_EMIT reported(type, event->globalPosition().toPoint());
}

void InputListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    int type = event->button() == Qt::RightButton ? RightDoubleClick : LeftDoubleClick;
    Q_EMIT reported(type, event->globalPosition().toPoint());
}

void InputListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) ||
        (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier)) {
        event->accept();
    } else {
        QTreeWidget::keyPressEvent(event);
    }
    // A modifier on its own is half of a shortcut, not yet a key for the
    // list; counting it would arm Ctrl+C on its own first press.
    switch (event->key()) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return;
    default:
        Q_EMIT reported(OtherEvent, QCursor::pos());
    }
}

MainWindow::MainWindow(WindowContext& ctx, const std::string& title)
    : ctx_(ctx), rowObserver_(std::make_unique<QueuedRowObserver>(this)),
      updates_(new UpdateChecker(ctx.settings, *this, this)) {
    setWindowTitle(QString::fromStdString(title));
    const Settings::Window& stored = ctx_.settings.window;
    move(stored.x, stored.y);
    resize(std::max(stored.width, kMainWindowMinWidth),
           std::max(stored.height, kMainWindowMinHeight));
    setMinimumSize(kMainWindowMinWidth, kMainWindowMinHeight);
    setAcceptDrops(true);

    buildMenus();
    buildToolbar();
    // A label rather than showMessage: menu status tips would wipe a message.
    statusLabel_ = new QLabel(statusBar());
    statusLabel_->setObjectName("statusText");
    statusBar()->addWidget(statusLabel_, 1);
    createControls();

    addWindowShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), Command::New);
    addWindowShortcut(QKeySequence(Qt::ALT | Qt::Key_X), Command::Exit);
    addWindowShortcut(QKeySequence(Qt::Key_F5), Command::Convert);
    addWindowShortcut(QKeySequence(Qt::Key_F1), Command::Help);
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    // QMainWindow puts its central widget below the toolbar; the panel is
    // placed inside it by the layout.
    auto* central = new QWidget(this);
    setCentralWidget(central);
    const MainWindowLayout created = CreationLayout(height(), 0);
    panel_ = new QWidget(central);
    panel_->setObjectName("panel");
    Place(panel_, {0, 0, created.panel.width, created.panel.height});

    list_ = new InputListView(panel_);
    list_->setObjectName("inputList");
    list_->setColumnCount(1);
    list_->setHeaderLabels({Text("General", "Filename")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, created.columnWidth);
    Place(list_, created.list);
    connect(list_, &InputListView::reported, this, &MainWindow::onListEvent);

    folderLabel_ = new QLabel(Text("General", "Output Folder"), panel_);
    folderLabel_->setObjectName("outFolderLabel");
    Place(folderLabel_, created.folderLabel);
    outFolders_ = new QComboBox(panel_);
    outFolders_->setObjectName("outFolderList");
    outFolders_->setEditable(false);
    Place(outFolders_, created.folderList);
    connect(outFolders_, &QComboBox::activated, this,
            [this](int) { ctx_.state.currentOutputFolder = outputFolderText(); });

    formatLabel_ = new QLabel(Text("General", "Output Format"), panel_);
    formatLabel_->setObjectName("outFormatLabel");
    Place(formatLabel_, created.formatLabel);
    formats_ = new QComboBox(panel_);
    formats_->setObjectName("outFormatList");
    formats_->setEditable(false);
    Place(formats_, created.formatList);
    connect(formats_, &QComboBox::activated, this, [this](int index) {
        const auto& primary = PrimaryOutputFormats();
        int entry = formats_->itemData(index).toInt();
        if (entry >= 0 && static_cast<size_t>(entry) < primary.size())
            ctx_.settings.output.format = primary[entry];
    });

    buildSideButtons();
}

void MainWindow::buildMenus() {
    menuBar()->clear();
    for (const MenuTitle& title : kMenus) {
        QMenu* menu = menuBar()->addMenu(Text("Menu", title.key));
        for (const MenuEntry& entry : title.entries) {
            if (*entry.key == '\0') {
                menu->addSeparator();
                continue;
            }
            // The text after the tab is shown as the key; the keys themselves
            // are window shortcuts, some of them added only later.
            QAction* action = menu->addAction(SmallIcon(ctx_.slots, entry.icon),
                                              Text("Menu", entry.key, entry.suffix));
            connect(action, &QAction::triggered, this,
                    [this, c = entry.command] { runCommand(c); });
        }
    }
    delete contextMenu_;
    contextMenu_ = new QMenu(this);
    for (const MenuEntry& entry : kContextMenu) {
        if (*entry.key == '\0') {
            contextMenu_->addSeparator();
            continue;
        }
        QAction* action = contextMenu_->addAction(SmallIcon(ctx_.slots, entry.icon),
                                                  Text("Menu", entry.key, entry.suffix));
        connect(action, &QAction::triggered, this, [this, c = entry.command] { runCommand(c); });
    }
}

void MainWindow::buildToolbar() {
    if (toolbar_ != nullptr) {
        removeToolBar(toolbar_);
        delete toolbar_;
    }
    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName("mainToolbar");
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->toggleViewAction()->setEnabled(false);
    const int pixels = IconPixels(ctx_.settings.interface.uiSize);
    toolbar_->setIconSize(QSize(pixels, pixels));
    for (const ToolbarEntry& entry : kToolbar) {
        if (entry.icon == nullptr) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* action = toolbar_->addAction(ToolbarIcon(ctx_.slots, entry.icon), QString());
        action->setToolTip(Text("Menu", entry.tooltipKey));
        connect(action, &QAction::triggered, this, [this, c = entry.command] { runCommand(c); });
    }
    addToolBar(Qt::TopToolBarArea, toolbar_);
}

void MainWindow::buildSideButtons() {
    delete folderButton_;
    delete formatButton_;
    delete convertButton_;
    const MainWindowLayout created = CreationLayout(height(), 0);
    auto sideButton = [this](const char* name, const char* icon, const char* tooltip,
                             Command command, const ControlRect& where) {
        auto* button = new QToolButton(panel_);
        button->setObjectName(name);
        button->setAutoRaise(true);
        button->setIcon(SmallIcon(ctx_.slots, icon));
        button->setIconSize(QSize(16, 16));
        button->setToolTip(Text("Menu", tooltip));
        Place(button, where);
        connect(button, &QToolButton::clicked, this, [this, command] { runCommand(command); });
        button->show();
        return button;
    };
    folderButton_ = sideButton("outFolderButton", "OutFolder", "Select Output Folder",
                               Command::OutFolder, created.folderButton);
    formatButton_ = sideButton("outFormatButton", "OutFormat", "Output Format Options",
                               Command::OutFormat, created.formatButton);

    convertButton_ = new QToolButton(panel_);
    convertButton_->setObjectName("convertButton");
    QPixmap image = LargeImage(ctx_.slots, "Convert");
    convertButton_->setIcon(QIcon(image));
    convertButton_->setIconSize(image.isNull() ? QSize(96, 96) : image.size());
    convertButton_->setToolTip(Text("Menu", "Convert"));
    Place(convertButton_, created.convertButton);
    connect(convertButton_, &QToolButton::clicked, this, [this] { runCommand(Command::Convert); });
    convertButton_->show();
}

void MainWindow::fillFormatList() {
    formats_->clear();
    const auto& primary = PrimaryOutputFormats();
    const QIcon icon = SmallIcon(ctx_.slots, "New");
    int selected = 0;
    for (size_t i = 0; i < primary.size() && i < 128; ++i) {
        if (primary[i].empty())
            continue;
        const OutputFormat* row = FindOutputFormat(primary[i]);
        QString text = QString::fromStdString(primary[i]).toUpper() + " (" +
                       QString::fromStdString(row != nullptr ? row->description : "") + ")";
        formats_->addItem(icon, text, static_cast<int>(i));
        if (primary[i] == ctx_.settings.output.format)
            selected = formats_->count() - 1;
    }
    formats_->setCurrentIndex(formats_->count() > 0 ? selected : -1);
}

void MainWindow::addWindowShortcut(const QKeySequence& keys, Command command) {
    for (QShortcut* existing : shortcuts_) {
        if (existing->key() == keys) {
            existing->disconnect(this);
            connect(existing, &QShortcut::activated, this,
                    [this, command] { runCommand(command); });
            return;
        }
    }
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, command] { runCommand(command); });
    shortcuts_.push_back(shortcut);
}

void MainWindow::showMainWindow() {
    BuildInputFormats();
    BuildOutputFormats();
    if (ctx_.settings.window.isMaximized != 0)
        setWindowState(windowState() | Qt::WindowMaximized);
    if (ctx_.settings.file.recentOutFolders.empty())
        outFolders_->insertItem(0, QString());
    fillFormatList();
    clearList();
    show();
    postLayout();
    // The demonstration's pictures must not show a question over the window.
    if (ctx_.state.runModeTag != "T")
        QTimer::singleShot(0, updates_,
                           [this] { updates_->scheduledUpdateCheck(LocalTimestampNow()); });
}

void MainWindow::showAbout() {
    ShowAbout(ctx_.slots, this);
}

void MainWindow::showConverterSearch() {
    ShowConverterSearch(ctx_.state, this);
}

void MainWindow::openManual() {
    OpenWithShell(ManualPath(ctx_.programFolder));
}

void MainWindow::openFeedbackMail() {
    OpenWithShell(FeedbackMailLink());
}

void MainWindow::openHomePage() {
    OpenWithShell(kHomePageUrl);
}

void MainWindow::checkForUpdates() {
    updates_->checkForUpdates();
}

void MainWindow::runCommand(Command command) {
    using Handler = void (MainWindow::*)();
    struct Dispatch {
        Command command;
        Handler handler;
    };
    static constexpr Dispatch kDispatch[] = {
        {Command::New, &MainWindow::clearList},
        {Command::Exit, &MainWindow::closeFromCommand},
        {Command::Add, &MainWindow::showAddChooser},
        {Command::OutFolder, &MainWindow::chooseOutputFolder},
        {Command::OutFormat, &MainWindow::openFormatOptions},
        {Command::ImportFiles, &MainWindow::importListFile},
        {Command::ExportFiles, &MainWindow::exportInputList},
        {Command::Copy, &MainWindow::copySelection},
        {Command::Delete, &MainWindow::deleteSelectedRows},
        {Command::SelectAll, &MainWindow::selectAllRows},
        {Command::Convert, &MainWindow::startConversion},
        {Command::CustomConverter, &MainWindow::showConverterSearch},
        {Command::Preferences, &MainWindow::openPreferences},
        {Command::Help, &MainWindow::openManual},
        {Command::Email, &MainWindow::openFeedbackMail},
        {Command::Web, &MainWindow::openHomePage},
        {Command::Updates, &MainWindow::checkForUpdates},
        {Command::About, &MainWindow::showAbout},
    };
    for (const Dispatch& entry : kDispatch) {
        if (entry.command == command) {
            (this->*entry.handler)();
            break;
        }
    }
    Q_EMIT commandDone(static_cast<int>(command));
}

bool MainWindow::listHasFocus() const {
    return focusWidget() == list_;
}

void MainWindow::clearList() {
    refreshOutFolderList();
    NewSession(ctx_.session, ctx_.state);
    list_->clear();
    outFolders_->setCurrentIndex(-1);
    setStatusText(GetText("General", "Ready"));
    list_->setFocus();
}

void MainWindow::copySelection() {
    if (!listHasFocus() || list_->topLevelItemCount() == 0)
        return;
    QString text;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->isSelected())
            text += item->text(0) + "\r\n";
    }
    if (text.isEmpty())
        return;
    while (text.endsWith('\n'))
        text.chop(1);
    while (text.endsWith('\r'))
        text.chop(1);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void MainWindow::selectAllRows() {
    if (!listHasFocus() || list_->topLevelItemCount() == 0)
        return;
    list_->clearSelection();
    list_->selectAll();
}

void MainWindow::deleteSelectedRows() {
    if (!listHasFocus() || list_->topLevelItemCount() == 0)
        return;
    std::vector<size_t> selected;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected())
            selected.push_back(static_cast<size_t>(i));
    long next = DeleteSelectedInputs(ctx_.session.inputs, selected);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        delete list_->takeTopLevelItem(static_cast<int>(*it));
    if (next >= 0 && next < list_->topLevelItemCount()) {
        QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(next));
        list_->setCurrentItem(item);
        item->setSelected(true);
    }
}

void MainWindow::chooseOutputFolder() {
    std::string start = ctx_.state.currentOutputFolder;
    std::string shown = outputFolderText();
    if (!shown.empty()) {
        size_t slash = shown.find_last_of('/');
        start = slash == std::string::npos ? shown : shown.substr(0, slash + 1);
    }
    QString chosen = QFileDialog::getExistingDirectory(this, Text("Dialog", "Select Output Folder"),
                                                       QString::fromStdString(start));
    std::string folder = chosen.toStdString();
    if (!folder.empty() && IsFolder(folder)) {
        folder = WithTrailingSlash(folder);
        AddOutFolderToHistory(ctx_.settings, folder);
        ctx_.state.currentOutputFolder = folder;
        refreshOutFolderList();
    }
    postLayout();
}

void MainWindow::showAddChooser() {
    AddChooser chooser(this, ctx_.slots);
    AddChooser::Choice choice = chooser.run();
    setEnabled(true);
    if (choice == AddChooser::Choice::Files)
        SelectInputFiles(this, ctx_, *this);
    else if (choice == AddChooser::Choice::Folder)
        SelectInputFolder(this, ctx_, *this);
    activateWindow();
}

void MainWindow::closeFromCommand() {
    close();
}

void MainWindow::importListFile() {
    ImportListFile(this, ctx_, *this);
}

void MainWindow::exportInputList() {
    ExportInputList(this, ctx_, *this);
}

void MainWindow::startConversion() {
    StartWindowedConversion(this, ctx_, *this);
}

void MainWindow::onListEvent(int type, QPoint globalPos) {
    if (type == InputListView::LeftDoubleClick) {
        showAddChooser();
    } else if (type == InputListView::RightClick) {
        if (!list_->selectedItems().isEmpty())
            contextMenu_->popup(globalPos);
    }
    if (!listShortcutsAdded_) {
        listShortcutsAdded_ = true;
        addWindowShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), Command::Copy);
        addWindowShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete), Command::Delete);
        addWindowShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), Command::SelectAll);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    dropPaths(paths);
}

void MainWindow::dropPaths(const std::vector<std::string>& paths) {
    DirectRowObserver direct(*this);
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        if (IsFolder(path)) {
            std::string folder = WithTrailingSlash(path);
            ctx_.state.importFolder = folder;
            importDroppedFolder(folder);
        } else {
            AddInputFile(ctx_.session, ctx_.state.importFolder, path, &direct);
        }
        // Keeps the window painted through a long drop without acting on
        // the user's input halfway through it.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 2);
    }
}

void MainWindow::importDroppedFolder(const std::string& folder) {
    ProgressState progress;
    progress.clearCount();
    const size_t entries = FolderImportSize(folder);
    const int maximum = static_cast<int>(std::min<size_t>(entries, INT_MAX));
    Session& session = ctx_.session;
    ListProgressDialog dialog(
        this, *this, progress,
        {"Import Progress", "Ask break import", "Import complete", "Import is not complete"},
        maximum, [&session, folder](ProgressState& p, InputObserver& rows) {
            ImportFolderWorker(session, folder, p, &rows);
        });
    dialog.run();
}

void MainWindow::openPreferences() {
    OpenPreferences(ctx_, this, SmallIcon(ctx_.slots, "New"),
                    [this](int level) { applyInterfaceChanges(level); });
}

void MainWindow::openFormatOptions() {
    ctx_.state.preferencesSection = 3; // Output, opened on the current format's page
    openPreferences();
}

void MainWindow::applyInterfaceChanges(int level) {
    if (level == 1 || level == 2) {
        const bool all = level == 1;
        const ThemeLoadResult loaded =
            LoadThemeImages(ctx_.slots, ctx_.programFolder, ctx_.settings.interface.uiTheme,
                            ctx_.settings.interface.uiSize, ctx_.themes, all, all, true);
        ++themeLoads_;
        (void)loaded;
    }
    if (level == 2) {
        buildToolbar();
        postLayout();
    } else if (level == 1) {
        buildMenus();
        buildToolbar();
        buildSideButtons();
        const QIcon folderIcon = SmallIcon(ctx_.slots, "FavFolder");
        for (int i = 0; i < outFolders_->count(); ++i)
            if (!outFolders_->itemText(i).isEmpty())
                outFolders_->setItemIcon(i, folderIcon);
        const QIcon formatIcon = SmallIcon(ctx_.slots, "New");
        for (int i = 0; i < formats_->count(); ++i)
            formats_->setItemIcon(i, formatIcon);
        postLayout();
    }
    ctx_.state.interfaceRefresh = 0;
    for (int i = 0; i < formats_->count(); ++i) {
        int entry = formats_->itemData(i).toInt();
        if (static_cast<size_t>(entry) < PrimaryOutputFormats().size() &&
            PrimaryOutputFormats()[entry] == ctx_.settings.output.format)
            formats_->setCurrentIndex(i);
    }
    if (outFolders_->count() != ctx_.settings.advanced.outFoldersNumber)
        refreshOutFolderList();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutMainWindow();
}

void MainWindow::postLayout() {
    QTimer::singleShot(0, this, &MainWindow::layoutMainWindow);
}

void MainWindow::layoutMainWindow() {
    if (panel_ == nullptr)
        return;
    const int m = menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
    const int t = toolbar_->isVisible() ? toolbar_->height() : toolbar_->sizeHint().height();
    const int s =
        statusBar()->isVisible() ? statusBar()->height() : statusBar()->sizeHint().height();
    const MainWindowLayout l = LayoutMainWindow(width(), height(), m, t, s);
    // The panel's y is measured from the top of the client area; the central
    // widget already starts below the toolbar.
    Place(panel_, {l.panel.x, l.panel.y - t, l.panel.width, l.panel.height});
    Place(list_, l.list);
    list_->setColumnWidth(0, l.columnWidth);
    Place(folderLabel_, l.folderLabel);
    Place(outFolders_, l.folderList);
    Place(folderButton_, l.folderButton);
    Place(formatLabel_, l.formatLabel);
    Place(formats_, l.formatList);
    Place(formatButton_, l.formatButton);
    Place(convertButton_, l.convertButton);
    update();
}

void MainWindow::showOutputFolder(const std::string& folder) {
    const QString text = QString::fromStdString(folder);
    int index = outFolders_->findText(text);
    if (index < 0) {
        outFolders_->addItem(SmallIcon(ctx_.slots, "FavFolder"), text);
        index = outFolders_->count() - 1;
    }
    outFolders_->setCurrentIndex(index);
    ctx_.state.currentOutputFolder = folder;
}

WindowPlacement MainWindow::placement() const {
    WindowPlacement p;
    if (isMinimized())
        p.state = WindowShowState::Minimized;
    else if (isMaximized())
        p.state = WindowShowState::Maximized;
    p.x = frameGeometry().x();
    p.y = frameGeometry().y();
    p.width = width();
    p.height = height();
    return p;
}

void MainWindow::addRow(const std::string& path) {
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(path)});
    list_->addTopLevelItem(item);
    if (!outputFolderText().empty())
        return;
    std::string folder = ctx_.state.importFolder;
    if (folder.empty()) {
        size_t slash = path.find_last_of('/');
        folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }
    if (folder.empty())
        return;
    ctx_.state.currentOutputFolder = folder;
    AddOutFolderToHistory(ctx_.settings, folder);
    refreshOutFolderList();
}

InputObserver* MainWindow::rowObserver() {
    return rowObserver_.get();
}

void MainWindow::refreshOutFolderList() {
    const std::optional<OutFolderListing> listing =
        OutFoldersToShow(ctx_.settings, ctx_.state.currentOutputFolder);
    if (!listing)
        return;
    outFolders_->clear();
    const QIcon icon = SmallIcon(ctx_.slots, "FavFolder");
    for (const std::string& folder : listing->folders)
        outFolders_->addItem(icon, QString::fromStdString(folder));
    outFolders_->setCurrentIndex(outFolders_->count() == 0 ? -1 : listing->selected);
}

std::string MainWindow::outputFolderText() const {
    return outFolders_->currentText().toStdString();
}

void MainWindow::setStatusText(const std::string& text) {
    statusLabel_->setText(QString::fromStdString(text));
}

void MainWindow::setWindowEnabled(bool enabled) {
    setEnabled(enabled);
}

QString MainWindow::statusText() const {
    return statusLabel_->text();
}

int MainWindow::rowCount() const {
    return list_->topLevelItemCount();
}

std::vector<std::string> MainWindow::rows() const {
    std::vector<std::string> result;
    result.reserve(static_cast<size_t>(list_->topLevelItemCount()));
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        result.push_back(list_->topLevelItem(i)->text(0).toStdString());
    return result;
}

} // namespace dravik
