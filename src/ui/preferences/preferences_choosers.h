// The colour lists and the "..." choosers of the preferences dialog. Every chooser is a
// std::function so tests hand in a canned answer instead of opening a platform dialog.
#pragma once

#include "ui/preferences/preferences_rows.h"

#include <QFont>
#include <QIcon>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QComboBox;
class QWidget;

namespace dravik {

// The font the user chose, none when cancelled.
using FontChooser = std::function<std::optional<QFont>(const QFont& initial)>;
// The file the user chose, none when cancelled.
using ImageChooser = std::function<std::optional<QString>(
    const QString& title, const QString& current, const QString& filters)>;

ColourChooser PlatformColourChooser(QWidget* parent);
FontChooser PlatformFontChooser(QWidget* parent);
ImageChooser PlatformImageChooser(QWidget* parent);

// The 16 x 16 swatch of a colour list item; anything that is not a colour paints black.
QIcon ColourSwatchIcon(std::string_view colour);

// Refills combo with the colours of list plus the current one (see MakeColourListItems), each
// item named and painted, its data the six-digit value, and selects the current colour.
void FillColourCombo(QComboBox& combo, std::string_view list, std::string_view current);
// The selected item's colour; black when nothing is selected.
std::string ComboColour(const QComboBox& combo);

// The "..." of a colour list: offers the selected colour to chooser; a chosen colour joins
// listSetting and the combo unless already there, and is selected. False when cancelled.
bool ChooseListColour(QComboBox& combo, std::string& listSetting, const ColourChooser& chooser);

// The file filters of the watermark image chooser, "All Supported Files" first.
QString WatermarkImageFilters();

// The Font Style item (Regular, Bold, Italic, Bold Italic) of a font.
int FontStyleIndex(const QFont& font);

} // namespace dravik

namespace dravik {

// Replaces the font and image choosers of a page made by BuildWatermarkPage (the platform
// dialogs until then). False when page is not such a page.
bool SetWatermarkPageChoosers(QWidget* watermarkPage, FontChooser font, ImageChooser image);

} // namespace dravik
