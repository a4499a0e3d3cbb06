// The rows of the preferences dialog are data: a RowDescription says which label, which kind of
// control, which setting and which choices a row has, and one builder (PreferencesRows) places,
// fills, stores and enables every row from that description. A section is a table of RowSpecs
// plus the RowRules that switch rows on and off; nothing else in a section needs code.
#pragma once

#include "settings/settings.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QAbstractSpinBox;
class QCheckBox;
class QColor;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSlider;
class QToolButton;
class QWidget;

namespace dravik {

enum class RowKind {
    DropDown,       // items are the "Preferences" texts of choices; stores the index
    CheckBox,       // stores 0 or 1
    Text,           // stores the text trimmed, without tabs, CR and LF
    Number,         // numeric field + unit drop-down (choices are the unit keys)
    Track,          // track bar + spin over [min, max], see TrackScale
    DropDownButton, // drop-down + "..." button; items from listSetting (stores the text)
                    // or from choices (stores the index)
    FieldButton,    // text field + "..." button; stores as Text does
    Swatch,         // 34 x 12 colour picture button + read-only hexadecimal field
    DepthList,      // "Auto" + the allowed depths of an output format; stores the number
    DateTime,       // date and time picker over a timestamp setting
    Custom,         // placed like a drop-down; built, filled and stored by hooks
};

// How a track position relates to the stored value.
enum class TrackScale {
    Plain,      // position == value
    Offset100,  // position == value + 100; the spin shows the value
    Hundredths, // position == value * 100; the spin shows position / 100 with two decimals
};

struct PreferencesRow;

// Hooks for what a row kind cannot say by itself: the "..." buttons, the colour lists.
struct RowHooks {
    // Custom rows: creates the control inside page at geometry; the builder keeps it as
    // row.control and includes it when the row is enabled, disabled, shown or hidden.
    std::function<QWidget*(QWidget* page, QRect geometry, PreferencesRow& row)> build;
    // Replace the kind's own fill or store when set.
    std::function<void(PreferencesRow& row, const Settings& settings)> fill;
    std::function<void(const PreferencesRow& row, Settings& settings)> store;
    // The "..." button of DropDownButton and FieldButton rows.
    std::function<void(PreferencesRow& row)> button;
};

struct RowDescription {
    const char* label;             // "Preferences" text key of the label
    RowKind kind;
    const char* group = nullptr;   // the setting; nullptr: shown only, never stored
    const char* key = nullptr;
    std::vector<const char*> choices = {}; // drop-down items, or the units of a Number row
    int min = 0;                   // Track range (positions)
    int max = 0;
    TrackScale scale = TrackScale::Plain;
    // Number rows with more than one unit: the setting holding the unit index.
    const char* unitGroup = nullptr;
    const char* unitKey = nullptr;
    // DropDownButton rows listing a comma-separated setting (e.g. Watermark/Fonts).
    const char* listGroup = nullptr;
    const char* listKey = nullptr;
    // DepthList rows: the output format's extension, lower case.
    const char* format = nullptr;
    const RowHooks* hooks = nullptr; // outlives the dialog (a static in the section's file)
};

// description with its hooks attached, for tables that write the other members by position.
inline RowDescription WithHooks(RowDescription description, const RowHooks& hooks) {
    description.hooks = &hooks;
    return description;
}

// One built row. Only the members of its kind are set; every created widget, the label first,
// is in widgets, which is what enabling and showing walk.
struct PreferencesRow {
    RowDescription description;
    QLabel* label = nullptr;
    QWidget* control = nullptr;     // the main control of any kind
    QComboBox* combo = nullptr;     // DropDown, DropDownButton, DepthList
    QCheckBox* check = nullptr;
    QLineEdit* field = nullptr;     // Text, Number, FieldButton
    QComboBox* unit = nullptr;      // Number
    QSlider* track = nullptr;       // Track
    QAbstractSpinBox* spin = nullptr; // Track: a QSpinBox, or a QDoubleSpinBox for Hundredths
    QToolButton* button = nullptr;  // "..." of DropDownButton and FieldButton, the swatch
    QLineEdit* hex = nullptr;       // Swatch
    QDateTimeEdit* dateTime = nullptr;
    std::vector<QWidget*> widgets;

    void setEnabled(bool enabled);
    void setVisible(bool visible);
    // The value rules look at: the check state (0/1), the drop-down index, the track position.
    int value() const;
};

// "Group/Key" of a setting, the name rules use for a row.
std::string RowName(const char* group, const char* key);

enum class RuleEffect { Enable, Show };

// While the controlling row's value() is one of values, the targets are switched on (enabled or
// shown), otherwise off. Targets are row names ("Transform/Image Width") or names given to
// widgets with PreferencesRows::addTarget ("Frame/Solid Page").
struct RowRule {
    std::string controller; // row name
    std::vector<int> values;
    RuleEffect effect;
    std::vector<std::string> targets;
};

// The grid: row k of a page has its label at (10, 13 + 30k) and its control from x = 170.
inline constexpr int kRowPitch = 30;
inline QRect LabelGeometry(int k) { return {10, 13 + kRowPitch * k, 160, 20}; }
// Where a section page, and a sub-page below a page's first row, sit.
inline constexpr QRect kPageArea{140, 50, 450, 255};
inline constexpr QRect kSubPageArea{0, 40, 450, 215};

// A scrollable page at area inside parent with an inner widget of the given size, scrolled in
// steps of 10; rows go into scrollArea->widget().
QScrollArea* MakeScrollPage(QWidget* parent, QRect area, QSize inner);

// The colour a chooser offers, none when cancelled. Replaceable so tests need no real dialog.
using ColourChooser = std::function<std::optional<QColor>(const QColor& initial)>;

class PreferencesRows {
  public:
    PreferencesRows();
    ~PreferencesRows();
    PreferencesRows(const PreferencesRows&) = delete;
    PreferencesRows& operator=(const PreferencesRows&) = delete;

    // Builds row k of page from description; the row lives as long as this object.
    PreferencesRow& add(QWidget* page, int k, const RowDescription& description);
    // Rows 0, 1, 2... of page from a section table, starting at row firstRow.
    void addAll(QWidget* page, std::span<const RowDescription> descriptions, int firstRow = 0);
    // A widget rules can show or hide by name.
    void addTarget(const std::string& name, QWidget* widget);
    // Run again whenever its controller changes (and by runRules).
    void addRule(RowRule rule);

    // Every row from the settings (hostile values clamp to something shown), then every rule.
    void fill(const Settings& settings);
    // Every row with a setting into the settings.
    void store(Settings& settings) const;
    // One row into the settings (OK compares the interface rows before anything is stored).
    static void storeOne(const PreferencesRow& row, Settings& settings);
    void runRules();

    PreferencesRow* find(const std::string& name);
    const std::vector<std::unique_ptr<PreferencesRow>>& rows() const { return rows_; }

    void setColourChooser(ColourChooser chooser) { chooseColour_ = std::move(chooser); }
    const ColourChooser& colourChooser() const { return chooseColour_; }

  private:
    void runRule(const RowRule& rule);
    void watch(PreferencesRow& row);

    std::vector<std::unique_ptr<PreferencesRow>> rows_;
    std::map<std::string, QWidget*> targets_;
    std::vector<RowRule> rules_;
    ColourChooser chooseColour_;
};

// Shows colour (six hexadecimal digits, anything else is black) on a swatch row.
void ShowSwatchColour(PreferencesRow& row, const std::string& colour);

// A colour text as a colour; anything that is not six hexadecimal digits is black.
QColor ColourFromText(const std::string& text);
QString ColourText(const QColor& colour); // six upper-case hexadecimal digits

} // namespace dravik
