// The section pages of the preferences dialog. Each builder makes its page as a child of
// context.parent (the dialog places it at kPageArea), adds its rows and rules to context.rows and
// returns the page. Filling and storing are the rows' business, not the page's.
#pragma once

#include "settings/settings.h"
#include "ui/preferences/preferences_rows.h"
#include "ui/window_context.h"

#include <QIcon>

class QWidget;

namespace dravik {

struct PreferencesPageContext {
    QWidget* parent;
    PreferencesRows& rows;
    // Lists such as Watermark/Fonts or the colour lists are changed by their "..." choosers at
    // once, before OK, so a page may write these settings directly.
    Settings& settings;
    WindowContext& window;
    QIcon formatIcon; // the small "New" icon of the format lists
};

QWidget* BuildGeneralPage(PreferencesPageContext& context);
QWidget* BuildInterfacePage(PreferencesPageContext& context);
QWidget* BuildInputPage(PreferencesPageContext& context);
QWidget* BuildOutputPage(PreferencesPageContext& context);
QWidget* BuildTransformPage(PreferencesPageContext& context);
QWidget* BuildAdjustmentPage(PreferencesPageContext& context);
QWidget* BuildFramePage(PreferencesPageContext& context);     // preferences_frame.cpp
QWidget* BuildWatermarkPage(PreferencesPageContext& context); // preferences_watermark.cpp
QWidget* BuildAdvancedPage(PreferencesPageContext& context);

} // namespace dravik
