#include "ui/conversion_progress_dialog.h"

#include "batch/progress_text.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "ui/main_window_hooks.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <exception>
#include <utility>

namespace dravik {
namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 130;
constexpr int kLabelWidth = 280;
constexpr int kPollMs = 15;
// Below this many files an estimate would be gone before it could be read.
constexpr int64_t kFewestTimedFiles = 5;
// The sample's width over its length gives an average that suits paths,
// which mix letters, digits and separators.
constexpr const char* kMeasureSample = "abc123:\\-";
constexpr int kMeasureSampleLength = 9;

QString Text(const char* group, const char* key) {
    return QString::fromStdString(GetText(group, key));
}

QString TimeRemaining(const std::string& value) {
    return QString::fromStdString(SubstituteArgs(GetText("Dialog", "Time Remaining"), value));
}

bool ConfirmBreakConversion() {
    return AskWarningQuestion(GetText("Msg", "Ask break conversion"));
}

} // namespace

ConversionProgressDialog::Worker::Worker(ProgressState& progress, std::function<void()> work)
    : progress_(progress), thread_([this, work = std::move(work)] {
          try {
              work();
          } catch (const std::exception&) {
              // Nothing may leave the thread; the count the work left stands.
          }
          done_ = true;
      }) {}

ConversionProgressDialog::Worker::~Worker() {
    if (!done_)
        progress_.stop();
    thread_.join();
}

ConversionProgressDialog::ConversionProgressDialog(QWidget* mainWindow, MainWindowHooks& hooks,
                                                   ProgressState& progress, int64_t total,
                                                   std::function<void()> work)
    : QDialog(mainWindow), hooks_(hooks), progress_(progress), work_(std::move(work)),
      total_(total), showTime_(total >= kFewestTimedFiles), fileLabel_(new QLabel(this)),
      timeLabel_(new QLabel(this)), bar_(new QProgressBar(this)),
      button_(new QPushButton(Text("Dialog", "OK"), this)), timer_(new QTimer(this)) {
    setObjectName("conversionProgress");
    setWindowTitle(Text("Dialog", "Convert Progress"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kWidth, kHeight);
    if (mainWindow != nullptr)
        move(mainWindow->frameGeometry().center() - rect().center());

    fileLabel_->setGeometry(10, 13, kLabelWidth, 20);
    timeLabel_->setGeometry(10, 33, kLabelWidth, 20);
    timeLabel_->setText(TimeRemaining(GetText("Dialog", "Time Unknown")));
    bar_->setGeometry(10, showTime_ ? 60 : 50, kLabelWidth, 20);
    bar_->setRange(0, static_cast<int>(total_ + 1));
    bar_->setValue(0);
    bar_->setTextVisible(false);
    timeLabel_->setVisible(showTime_);
    button_->setGeometry(110, 95, 80, 25);
    button_->setEnabled(false);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (!worker_)
            accept();
    });

    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &ConversionProgressDialog::poll);
    measureFont();
}

ConversionProgressDialog::~ConversionProgressDialog() {
    worker_.reset();
}

void ConversionProgressDialog::measureFont() {
    int width = QFontMetrics(font()).horizontalAdvance(QString::fromLatin1(kMeasureSample)) /
                kMeasureSampleLength;
    if (width <= 0 || width > kLabelWidth)
        return;
    charWidth_ = width;
    charsPerLine_ = kLabelWidth / width;
}

void ConversionProgressDialog::run() {
    // Disabled while the dialog is up, enabled again on every way out.
    struct WindowDisabled {
        MainWindowHooks& hooks;
        explicit WindowDisabled(MainWindowHooks& h) : hooks(h) { hooks.setWindowEnabled(false); }
        ~WindowDisabled() { hooks.setWindowEnabled(true); }
    } disabled(hooks_);
    // Disabling a widget also disables the windows it owns, this one
    // included; a window may be enabled again under a disabled owner.
    setEnabled(true);
    start();
    setFocus();
    exec();
    worker_.reset();
    if (QWidget* mainWindow = parentWidget()) {
        mainWindow->activateWindow();
        mainWindow->setFocus();
    }
}

void ConversionProgressDialog::start() {
    progress_.reset();
    progress_.clearCount();
    lastIndex_ = 0;
    cancelled_ = false;
    worker_ = std::make_unique<Worker>(progress_, work_);
    timer_->start();
}

void ConversionProgressDialog::poll() {
    // The break question holds the worker; its answer decides how the run
    // ends, so the end is not reported underneath it.
    if (asking_ || !worker_)
        return;
    if (!worker_->done()) {
        ProgressSnapshot now = progress_.snapshot();
        if (now.index > lastIndex_)
            showProgress(now);
        return;
    }
    worker_.reset();
    timer_->stop();
    showOutcome();
}

QString ConversionProgressDialog::titleWith(const std::string& text, int64_t index) const {
    return QString::fromStdString(
        text + " " +
        SubstituteArgs(GetText("Msg", "Progress"), std::to_string(index), std::to_string(total_)));
}

void ConversionProgressDialog::showProgress(const ProgressSnapshot& now) {
    lastIndex_ = now.index;
    setWindowTitle(titleWith(GetText("Dialog", "Convert Progress"), now.index));
    const auto characters =
        static_cast<int64_t>(QString::fromStdString(now.currentFile).toUcs4().size());
    const std::string file = characters * charWidth_ > kLabelWidth
                                 ? ShortenMiddle(now.currentFile, charsPerLine_)
                                 : now.currentFile;
    fileLabel_->setText(QString::fromStdString(file));
    if (showTime_ && now.lastDurationMs != 0)
        timeLabel_->setText(TimeRemaining(
            FormatDuration(RemainingMilliseconds(now.lastDurationMs, total_, now.index))));
    bar_->setValue(static_cast<int>(now.index));
}

void ConversionProgressDialog::showOutcome() {
    ProgressSnapshot end = progress_.snapshot();
    if (cancelled_) {
        const std::string stopped = GetText("Msg", "Conversion is not complete");
        hooks_.setStatusText(stopped);
        fileLabel_->setText(QString::fromStdString(stopped));
        setWindowTitle(titleWith(stopped, end.index));
    } else {
        const std::string complete = GetText("Msg", "Conversion complete");
        hooks_.setStatusText(complete);
        setWindowTitle(titleWith(complete, end.index));
        fileLabel_->setText(QString::fromStdString(SubstituteArgs(
            GetText("Msg", "Files converted"), std::to_string(end.count), std::to_string(total_))));
        timeLabel_->setText(TimeRemaining(FormatDuration(0)));
        bar_->setValue(static_cast<int>(total_ + 1));
    }
    button_->setEnabled(true);
    button_->setFocus();
}

void ConversionProgressDialog::reject() {
    if (!worker_) {
        QDialog::reject();
        return;
    }
    // Asked already and answered Yes: the worker is on its way out.
    if (asking_ || !progress_.keepRunning())
        return;
    asking_ = true;
    progress_.pause();
    const bool breakRun = ConfirmBreakConversion();
    asking_ = false;
    cancelled_ = breakRun;
    // Stopping before resuming: a worker let through the gate first could
    // begin one more file.
    if (breakRun)
        progress_.stop();
    progress_.resume();
}

} // namespace dravik
