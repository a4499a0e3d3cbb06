// The Frame section: the frame type, and the solid frame's rows on a sub-page shown only for it.
#include "ui/preferences/preferences_sections.h"

#include <QScrollArea>
#include <QWidget>

namespace dravik {

QWidget* BuildFramePage(PreferencesPageContext& context) {
    const std::vector<const char*> pixels = {"Pixels"};
    const RowDescription typeRow{"Frame Type", RowKind::DropDown, "Frame", "Do Frame",
                          {"None", "Frame Solid"}};
    const std::vector<RowDescription> solidRows = {
        {"Left", RowKind::Number, "Frame", "Solid Left", pixels},
        {"Right", RowKind::Number, "Frame", "Solid Right", pixels},
        {"Top", RowKind::Number, "Frame", "Solid Top", pixels},
        {"Bottom", RowKind::Number, "Frame", "Solid Bottom", pixels},
        {"Left Color", RowKind::Swatch, "Frame", "Solid Left Color"},
        {"Right Color", RowKind::Swatch, "Frame", "Solid Right Color"},
        {"Top Color", RowKind::Swatch, "Frame", "Solid Top Color"},
        {"Bottom Color", RowKind::Swatch, "Frame", "Solid Bottom Color"},
        {"Opacity", RowKind::Track, "Frame", "Solid Opacity", {}, 1, 255},
    };

    auto* page = new QWidget(context.parent);
    page->setGeometry(kPageArea);
    context.rows.add(page, 0, typeRow);
    QScrollArea* solid = MakeScrollPage(page, kSubPageArea, QSize(420, 310));
    context.rows.addAll(solid->widget(), solidRows);
    context.rows.addTarget("Frame/Solid Page", solid);
    context.rows.addRule({RowName("Frame", "Do Frame"), {1}, RuleEffect::Show, {"Frame/Solid Page"}});
    return page;
}

} // namespace dravik
