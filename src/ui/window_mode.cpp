#include "ui/window_mode.h"

#include "platform/instance_channel.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"
#include "settings/config_file.h"
#include "settings/product.h"
#include "texts/language_table.h"
#include "themes/image_slots.h"
#include "themes/theme_archive.h"
#include "ui/main_window.h"
#include "ui/preferences/preferences_dialog.h"
#include "ui/qt_message_boxes.h"
#include "ui/uninstall_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <random>

namespace dravik {

namespace {

// Uninstalls the boxes however the window run ends.
class InstalledBoxes {
  public:
    InstalledBoxes() { SetMessageBoxes(&boxes_); }
    ~InstalledBoxes() { SetMessageBoxes(nullptr); }
    InstalledBoxes(const InstalledBoxes&) = delete;
    InstalledBoxes& operator=(const InstalledBoxes&) = delete;

  private:
    QtMessageBoxes boxes_;
};

void LoadPictures(ImageSlots& slots, InstalledThemes& themes, Settings& settings,
                  const std::string& programFolder) {
    RegisterBuiltinImages(slots);
    themes = ScanThemes(programFolder);
    LoadThemeImages(slots, programFolder, settings.interface.uiTheme, settings.interface.uiSize,
                    themes, true, true, true);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool WindowSystemAvailable() {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

namespace {

const std::string& ProgramFolderOf(WindowModeParts& parts) {
    if (parts.state.programFolder.empty())
        parts.state.programFolder = ProgramFolder();
    return parts.state.programFolder;
}

// The pictures and the context a main window is built on; they must outlive
// the window.
struct WindowBasis {
    explicit WindowBasis(WindowModeParts& parts)
        : ctx{parts.settings, parts.state, parts.session, slots, themes, ProgramFolderOf(parts)} {
        LoadPictures(slots, themes, parts.settings, ctx.programFolder);
    }
    ImageSlots slots;
    InstalledThemes themes;
    WindowContext ctx;
};

} // namespace

struct WindowRun::Parts {
    explicit Parts(WindowModeParts& p) : mode(p) {
        // The one path every save of this run writes to.
        mode.settings.configPath = ConfigPath();
        LoadConfig(mode.settings, mode.settings.configPath, mode.defaults);
        LoadLanguageTable("");
        basis = std::make_unique<WindowBasis>(mode);
        window = std::make_unique<MainWindow>(basis->ctx, mode.title);
        watchStopSignals();
        listenForRequests();
        pendingTimer.setSingleShot(true);
        QObject::connect(&pendingTimer, &QTimer::timeout, [this] { dropPending(); });
        // Taken once the event loop runs, with the window shown.
        queuePaths(mode.startPaths);
    }

    void watchStopSignals() {
        if (StopSignalFd() < 0)
            return;
        stopNotifier = std::make_unique<QSocketNotifier>(StopSignalFd(), QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, [] {
            ResetStopSignals();
            // Leaves every event loop, the modal ones included: a running
            // conversion's dialog returns and stops its worker after the
            // file in work, open dialogs are cancelled, and the run then
            // finishes as after File > Exit.
            QCoreApplication::exit(0);
        });
    }

    void listenForRequests() {
        if (mode.channelPath.empty() || !listener.listen(mode.channelPath))
            return;
        requestNotifier = std::make_unique<QSocketNotifier>(listener.fd(), QSocketNotifier::Read);
        QObject::connect(requestNotifier.get(), &QSocketNotifier::activated, [this] {
            std::vector<std::string> paths;
            bool raise = false;
            for (const InstanceMessage& message : listener.accept()) {
                if (message.verb == kRaiseRequest)
                    raise = true;
                else if (message.verb == kOpenRequest && !message.argument.empty())
                    paths.push_back(message.argument);
            }
            if (raise)
                BringToFront(*window);
            queuePaths(paths);
        });
    }

    void queuePaths(const std::vector<std::string>& paths) {
        if (paths.empty())
            return;
        pending.insert(pending.end(), paths.begin(), paths.end());
        if (!pendingTimer.isActive())
            pendingTimer.start(0);
    }

    // The drop rules run on the window's thread and may open the import
    // dialog, whose event loop can bring further requests: those wait for
    // the next turn, as they do behind a conversion or a message box, which
    // would otherwise see the list change under them.
    void dropPending() {
        if (dropping || QApplication::activeModalWidget() != nullptr || !window->isEnabled()) {
            pendingTimer.start(100);
            return;
        }
        dropping = true;
        const std::vector<std::string> paths = std::move(pending);
        pending.clear();
        window->dropPaths(paths);
        dropping = false;
        if (!pending.empty())
            pendingTimer.start(0);
    }

    WindowModeParts& mode;
    std::unique_ptr<WindowBasis> basis;
    std::unique_ptr<MainWindow> window;
    InstanceListener listener;
    std::unique_ptr<QSocketNotifier> stopNotifier;
    std::unique_ptr<QSocketNotifier> requestNotifier;
    std::vector<std::string> pending;
    QTimer pendingTimer;
    bool dropping = false;
    bool finished = false;
};

WindowRun::WindowRun(WindowModeParts& parts) : parts_(std::make_unique<Parts>(parts)) {}

WindowRun::~WindowRun() = default;

MainWindow& WindowRun::window() {
    return *parts_->window;
}

void WindowRun::openPaths(const std::vector<std::string>& paths) {
    parts_->queuePaths(paths);
}

size_t WindowRun::pendingPaths() const {
    return parts_->pending.size();
}

void WindowRun::finish() {
    if (parts_->finished)
        return;
    parts_->finished = true;
    parts_->requestNotifier.reset();
    parts_->listener.close();
    parts_->pendingTimer.stop();
    parts_->stopNotifier.reset();
    Settings& settings = parts_->mode.settings;
    FinishWindowSettings(settings, parts_->window->placement());
    SaveWindowSettings(settings);
    if (parts_->mode.releaseInstance)
        parts_->mode.releaseInstance();
}

void BringToFront(QWidget& window) {
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

int RunWindowMode(int& argc, char** argv, WindowModeParts& parts) {
    // Caught from the start, so a signal sent while the window is still
    // being built is not lost; it is dealt with once the loop runs.
    InstallStopSignalsUnlessIgnored({SIGINT, SIGTERM, SIGHUP});
    QApplication app(argc, argv);
    InstalledBoxes boxes;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        parts.defaults.desktopWidth = screen->size().width();
        parts.defaults.desktopHeight = screen->size().height();
    }
    WindowRun run(parts);
    run.window().showMainWindow();
    app.exec();
    run.finish();
    return 0;
}

int RunDemonstration(int& argc, char** argv, WindowModeParts& parts, const std::string& folder) {
    const std::string target = WithTrailingSlash(folder);
    if (target.empty() || !FolderExists(target))
        return 0;

    QApplication app(argc, argv);
    // A screenshot run must never stop on a question nobody sees.
    SetMessageBoxes(nullptr);
    WindowBasis basis(parts);
    MainWindow window(basis.ctx, parts.title);
    window.move(400, 400);
    window.resize(510, 330);
    window.showMainWindow();

    static constexpr const char* kStems[] = {
        "/images/pic0102.",     "/images/picture_a.", "/images/picture_b.", "/images/tolvenor.",
        "/images/layout-haus.", "/images/summer.",    "/images/winter.",
    };
    const auto& formats = PrimaryInputFormats();
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<size_t> pick(0, formats.empty() ? 0 : formats.size() - 1);
    // The folder goes in first so that the rows leave it alone.
    window.showOutputFolder("/converted/");
    for (const char* stem : kStems)
        window.addRow(std::string(stem) + (formats.empty() ? "" : formats[pick(random)]));

    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    QImage picture = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        QFont font("Tahoma");
        font.setPointSize(8);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QString url = QString::fromUtf8(kHomePageUrl);
        QFontMetrics metrics(font);
        const int margin = 4;
        painter.drawText(picture.width() - metrics.horizontalAdvance(url) - margin,
                         picture.height() - metrics.descent() - margin, url);
    }
    const QString base = QString::fromStdString(target);
    bool saved = picture.save(base + "dravik1.jpg", "JPG", 90);
    const int height =
        static_cast<int>(std::lround(180.0 * picture.height() / std::max(1, picture.width())));
    QImage small = picture.scaled(180, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    saved = small.save(base + "dravik1x.jpg", "JPG", 90) && saved;
    return saved ? 0 : 1;
}

int RunUninstallPrompt(int& argc, char** argv) {
    QApplication app(argc, argv);
    UninstallDialog dialog([](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    dialog.show();
    app.exec();
    return 0;
}

} // namespace dravik
