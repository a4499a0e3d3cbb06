#include "ui/update_checker.h"

#include "settings/product.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "ui/shell_links.h"
#include "update/http_get.h"
#include "update/update_check.h"

namespace dravik {

UpdateChecker::UpdateChecker(Settings& settings, MainWindowHooks& window, QObject* parent)
    : QObject(parent), settings_(settings), window_(window), fetch_([] {
          return HttpGetText(UpdateFileUrl(), MakeTitleText(kProgramTitle, kProgramVersion));
      }) {}

UpdateChecker::~UpdateChecker() {
    if (worker_.joinable())
        worker_.join();
}

void UpdateChecker::checkForUpdates() {
    if (busy_)
        return;
    if (worker_.joinable())
        worker_.join();
    busy_ = true;
    window_.setWindowEnabled(false);
    worker_ = std::thread([this, fetch = fetch_] {
        std::string answer = fetch ? fetch() : std::string();
        // Queued to this object: if it is gone by then, Qt drops the call.
        QMetaObject::invokeMethod(
            this, [this, answer = std::move(answer)] { report(answer); }, Qt::QueuedConnection);
    });
}

void UpdateChecker::report(const std::string& answer) {
    if (worker_.joinable())
        worker_.join();
    busy_ = false;
    window_.setWindowEnabled(true);
    switch (JudgeUpdateAnswer(answer)) {
    case UpdateVerdict::ConnectionProblem:
        ShowError(GetText("Msg", "Internet connection problems"));
        break;
    case UpdateVerdict::NewUpdate:
        if (AskQuestion("New Update", GetText("Msg", "New Update Text")))
            OpenWithShell(kHomePageUrl);
        break;
    case UpdateVerdict::NoUpdate:
        ShowInfo(GetText("Msg", "No Update"), GetText("Msg", "No Update Text"));
        break;
    }
    Q_EMIT checked();
}

bool UpdateChecker::scheduledUpdateCheck(int64_t now) {
    if (!ScheduledCheckDue(settings_.general.updateRange, settings_.general.updateDate, now))
        return false;
    const bool yes = AskQuestion("Check for Updates", GetText("Msg", "Ask check for updates"));
    // Recorded before the answer arrives: a declined or failed check waits a full period too.
    settings_.general.updateDate = static_cast<int32_t>(now);
    if (yes)
        checkForUpdates();
    return true;
}

} // namespace dravik
