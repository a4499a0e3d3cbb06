#include "ui/shell_links.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace dravik {
namespace {

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}

bool IsLink(const std::string& target) {
    const size_t colon = target.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = target[i];
        const bool schemeChar =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
            (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!schemeChar)
            return false;
    }
    return true;
}

} // namespace

void SetShellOpener(ShellOpener opener) {
    Opener() = std::move(opener);
}

void OpenWithShell(const std::string& target) {
    if (Opener()) {
        Opener()(target);
        return;
    }
    const QString text = QString::fromStdString(target);
    QDesktopServices::openUrl(IsLink(target) ? QUrl(text, QUrl::StrictMode)
                                             : QUrl::fromLocalFile(text));
}

} // namespace dravik
