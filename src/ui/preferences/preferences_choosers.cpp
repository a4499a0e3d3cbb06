#include "ui/preferences/preferences_choosers.h"

#include "texts/language_table.h"
#include "ui/preferences/colour_list.h"

#include <QColor>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

namespace dravik {
namespace {

QString Text(const char* group, const char* key) {
    return QString::fromStdString(GetText(group, key));
}

QColor ToQColor(std::string_view colour) {
    return QColor(QString::fromStdString("#" + NormaliseColour(colour)));
}

std::string FromQColor(const QColor& colour) {
    return NormaliseColour(colour.name(QColor::HexRgb).mid(1).toStdString());
}

} // namespace

ColourChooser PlatformColourChooser(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const QColor& initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, owner);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };
}

FontChooser PlatformFontChooser(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial, owner);
        if (!ok)
            return std::nullopt;
        return chosen;
    };
}

ImageChooser PlatformImageChooser(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const QString& title, const QString& current,
                   const QString& filters) -> std::optional<QString> {
        const QString chosen = QFileDialog::getOpenFileName(owner, title, current, filters);
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen;
    };
}

QIcon ColourSwatchIcon(std::string_view colour) {
    // A 24-bit image rather than QPixmap::fill so the swatch looks the same on every screen depth.
    QImage image(16, 16, QImage::Format_RGB888);
    image.fill(ToQColor(colour));
    return QIcon(QPixmap::fromImage(image));
}

void FillColourCombo(QComboBox& combo, std::string_view list, std::string_view current) {
    const ColourListItems items = MakeColourListItems(list, current);
    const QSignalBlocker quiet(&combo);
    combo.clear();
    combo.setIconSize(QSize(16, 16));
    for (const std::string& colour : items.colours)
        combo.addItem(ColourSwatchIcon(colour), QString::fromStdString(ColourDisplayText(colour)),
                      QString::fromStdString(colour));
    combo.setCurrentIndex(static_cast<int>(items.selected));
}

std::string ComboColour(const QComboBox& combo) {
    return NormaliseColour(combo.currentData().toString().toStdString());
}

bool ChooseListColour(QComboBox& combo, std::string& listSetting, const ColourChooser& chooser) {
    if (!chooser)
        return false;
    const std::optional<QColor> chosen = chooser(ToQColor(ComboColour(combo)));
    if (!chosen || !chosen->isValid())
        return false;
    const std::string colour = FromQColor(*chosen);
    AppendColour(listSetting, colour);
    int index = combo.findData(QString::fromStdString(colour));
    if (index < 0) {
        combo.addItem(ColourSwatchIcon(colour), QString::fromStdString(ColourDisplayText(colour)),
                      QString::fromStdString(colour));
        index = combo.count() - 1;
    }
    combo.setCurrentIndex(index);
    return true;
}

QString WatermarkImageFilters() {
    struct Filter {
        const char* name; // a file format's own name, the same in every language
        const char* patterns;
    };
    static const Filter kFilters[] = {
        {"Portable Network Graphics", "*.png"},
        {"Windows or OS/2 Bitmap", "*.bmp;*.rle;*.dib"},
        {"JPEG File", "*.jpg;*.jpeg;*.jpe;*.jif"},
    };
    // Qt separates the patterns of one filter by blanks and the filters by ";;".
    auto patterns = [](const char* list) { return QString(list).replace(';', ' '); };
    QStringList all;
    for (const Filter& f : kFilters)
        all << patterns(f.patterns);
    QStringList filters;
    filters << Text("Dialog", "All Supported Files") + " (" + all.join(' ') + ")";
    for (const Filter& f : kFilters)
        filters << QString(f.name) + " (" + patterns(f.patterns) + ")";
    filters << Text("Dialog", "All Files") + " (*.*)";
    return filters.join(";;");
}

int FontStyleIndex(const QFont& font) {
    return (font.bold() ? 1 : 0) + (font.italic() ? 2 : 0);
}

} // namespace dravik
