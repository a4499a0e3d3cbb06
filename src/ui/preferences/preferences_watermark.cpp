// The Watermark section: the watermark type, a text page and an image page below it, the two
// colour lists and the font and image choosers.
#include "ui/preferences/preferences_choosers.h"
#include "ui/preferences/preferences_sections.h"

#include "settings/settings_schema.h"
#include "texts/language_table.h"
#include "ui/preferences/colour_list.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>

#include <variant>

namespace dravik {
namespace {

constexpr const char* kStateName = "dravik-watermark-page-state";

std::string* StringSetting(Settings& settings, const char* group, const char* key) {
    const SettingField* field = FindSetting(group, key);
    if (field == nullptr)
        return nullptr;
    FieldRef ref = field->ref(settings);
    std::string** text = std::get_if<std::string*>(&ref);
    return text != nullptr ? *text : nullptr;
}

std::string SettingText(const Settings& settings, const char* group, const char* key) {
    const SettingField* field = FindSetting(group, key);
    return field != nullptr ? FieldText(*field, settings) : std::string();
}

// The hooks of the page's rows need the dialog's settings and choosers, so they live with the
// page rather than as statics; the rows only call them while the dialog, and so the page, exists.
class WatermarkPageState : public QObject {
  public:
    WatermarkPageState(QWidget* page, PreferencesPageContext& context)
        : QObject(page), rows_(context.rows), settings_(context.settings),
          font_(PlatformFontChooser(page)), image_(PlatformImageChooser(page)) {
        setObjectName(kStateName);
        colourList.build = [this](QWidget* parent, QRect geometry, PreferencesRow& row) {
            return buildColourList(parent, geometry, row);
        };
        colourList.fill = [](PreferencesRow& row, const Settings& settings) {
            FillColourCombo(*row.combo,
                            SettingText(settings, row.description.listGroup, row.description.listKey),
                            SettingText(settings, row.description.group, row.description.key));
        };
        colourList.store = [](const PreferencesRow& row, Settings& settings) {
            if (std::string* colour = StringSetting(settings, row.description.group, row.description.key))
                *colour = ComboColour(*row.combo);
        };
        fontRow.button = [this](PreferencesRow& row) { chooseFont(row); };
        imageRow.button = [this](PreferencesRow& row) { chooseImage(row); };
    }

    void setChoosers(FontChooser font, ImageChooser image) {
        font_ = std::move(font);
        image_ = std::move(image);
    }

    RowHooks colourList;
    RowHooks fontRow;
    RowHooks imageRow;

  private:
    QWidget* buildColourList(QWidget* parent, QRect geometry, PreferencesRow& row) {
        // One widget for the drop-down and its "..." so the row enables and hides as a whole.
        auto* box = new QWidget(parent);
        box->setGeometry(geometry.x(), geometry.y() - 1, 241, 22);
        row.combo = new QComboBox(box);
        row.combo->setGeometry(0, 1, 214, 21);
        row.button = new QToolButton(box);
        row.button->setText("...");
        row.button->setGeometry(219, 0, 22, 22);
        QComboBox* combo = row.combo;
        const char* group = row.description.listGroup;
        const char* key = row.description.listKey;
        QObject::connect(row.button, &QToolButton::clicked, this, [this, combo, group, key] {
            std::string* list = StringSetting(settings_, group, key);
            const ColourChooser& chooser = rows_.colourChooser()
                                               ? rows_.colourChooser()
                                               : PlatformColourChooser(combo->window());
            if (list != nullptr)
                ChooseListColour(*combo, *list, chooser);
        });
        return box;
    }

    void chooseFont(PreferencesRow& row) {
        PreferencesRow* size = rows_.find(RowName("Watermark", "Font Size"));
        PreferencesRow* style = rows_.find(RowName("Watermark", "Font Style"));
        // The dialog lists installed families only: a name drawn with a
        // stand-in (Arial with Liberation Sans) opens on the stand-in.
        const QString listed = row.combo->currentText();
        QFont initial(listed);
        const QString drawnWith = QFontInfo(initial).family();
        initial.setFamily(drawnWith);
        if (size != nullptr && size->field != nullptr) {
            const int points = size->field->text().toInt();
            if (points > 0 && points < 1000)
                initial.setPointSize(points);
        }
        if (style != nullptr && style->combo != nullptr) {
            const int index = style->combo->currentIndex();
            initial.setBold(index == 1 || index == 3);
            initial.setItalic(index == 2 || index == 3);
        }
        const std::optional<QFont> chosen = font_ ? font_(initial) : std::nullopt;
        if (!chosen)
            return;
        QString name = chosen->family().trimmed();
        if (name.isEmpty())
            return;
        if (name == drawnWith && !listed.isEmpty())
            name = listed; // the stand-in left as it was: keep the name it stands for
        if (AppendFont(settings_.watermark.fonts, name.toStdString()) ||
            row.combo->findText(name) < 0)
            row.combo->addItem(name);
        row.combo->setCurrentIndex(row.combo->findText(name));
        if (size != nullptr && size->field != nullptr && chosen->pointSize() > 0)
            size->field->setText(QString::number(chosen->pointSize()));
        if (style != nullptr && style->combo != nullptr)
            style->combo->setCurrentIndex(FontStyleIndex(*chosen));
    }

    void chooseImage(PreferencesRow& row) {
        const QString title = QString::fromStdString(GetText("Dialog", "Select Watermark Image"));
        const std::optional<QString> chosen =
            image_ ? image_(title, row.field->text(), WatermarkImageFilters()) : std::nullopt;
        if (chosen)
            row.field->setText(*chosen);
    }

    PreferencesRows& rows_;
    Settings& settings_;
    FontChooser font_;
    ImageChooser image_;
};

const std::vector<const char*> kPixels = {"Pixels"};
const std::vector<const char*> kBoundary = {"Bound Image", "Bound Frame"};
const std::vector<const char*> kPositions = {
    "Top-Left",    "Top-Center",    "Top-Right",    "Middle-Left", "Middle-Center",
    "Middle-Right", "Bottom-Left", "Bottom-Center", "Bottom-Right"};

} // namespace

QWidget* BuildWatermarkPage(PreferencesPageContext& context) {
    auto* page = new QWidget(context.parent);
    page->setGeometry(kPageArea);
    auto* state = new WatermarkPageState(page, context);

    RowDescription fontRow{"Font", RowKind::DropDownButton, "Watermark", "Font"};
    fontRow.listGroup = "Watermark";
    fontRow.listKey = "Fonts";
    fontRow.hooks = &state->fontRow;
    auto colourList = [state](const char* label, const char* key, const char* listKey) {
        RowDescription row{label, RowKind::Custom, "Watermark", key};
        row.listGroup = "Watermark";
        row.listKey = listKey;
        row.hooks = &state->colourList;
        return row;
    };
    RowDescription imageRow{"Image", RowKind::FieldButton, "Watermark", "Image"};
    imageRow.hooks = &state->imageRow;

    const std::vector<RowDescription> textRows = {
        {"Text", RowKind::Text, "Watermark", "Text"},
        fontRow,
        {"Font Size", RowKind::Number, "Watermark", "Font Size", {"Points"}},
        {"Font Leading", RowKind::Number, "Watermark", "Font Leading", kPixels},
        colourList("Font Color", "Font Color", "Font Colors"),
        {"Font Style", RowKind::DropDown, "Watermark", "Font Style",
         {"Regular", "Bold", "Italic", "Bold Italic"}},
        {"Font Effect", RowKind::DropDown, "Watermark", "Font Effect",
         {"None", "Underline", "Strikeout"}},
        {"Antialiasing", RowKind::CheckBox, "Watermark", "Text Antialiasing"},
        {"Text Alignment", RowKind::DropDown, "Watermark", "Text Alignment",
         {"Align Left", "Align Center", "Align Right"}},
        {"Text Padding", RowKind::Number, "Watermark", "Text Padding", kPixels},
        {"Text Opacity", RowKind::Track, "Watermark", "Text Opacity", {}, 1, 255},
        colourList("Background Color", "Back Color", "Back Colors"),
        {"Background Opacity", RowKind::Track, "Watermark", "Back Opacity", {}, 1, 255},
        {"Boundary", RowKind::DropDown, "Watermark", "Text Boundary", kBoundary},
        {"Position", RowKind::DropDown, "Watermark", "Text Position", kPositions},
        {"X-Offset", RowKind::Number, "Watermark", "Text X Offset", kPixels},
        {"Y-Offset", RowKind::Number, "Watermark", "Text Y Offset", kPixels},
        {"Rotation Angle", RowKind::Track, "Watermark", "Text Rotation", {}, 0, 360},
        {"Size", RowKind::DropDown, "Watermark", "Text Size", {"Fixed"}},
        {"Scale", RowKind::Track, "Watermark", "Text Scale", {}, 1, 200},
    };
    const std::vector<RowDescription> imageRows = {
        imageRow,
        {"Image Greyscale", RowKind::CheckBox, "Watermark", "Image Greyscale"},
        {"Opacity", RowKind::Track, "Watermark", "Image Opacity", {}, 1, 255},
        {"Boundary", RowKind::DropDown, "Watermark", "Image Boundary", kBoundary},
        {"Position", RowKind::DropDown, "Watermark", "Image Position", kPositions},
        {"X-Offset", RowKind::Number, "Watermark", "Image X Offset", kPixels},
        {"Y-Offset", RowKind::Number, "Watermark", "Image Y Offset", kPixels},
        {"Rotation Angle", RowKind::Track, "Watermark", "Image Rotation", {}, 0, 360},
        {"Size", RowKind::DropDown, "Watermark", "Image Size", {"Fixed"}},
        {"Scale", RowKind::Track, "Watermark", "Image Scale", {}, 1, 200},
    };

    context.rows.add(page, 0,
                     {"Watermark Type", RowKind::DropDown, "Watermark", "Do Watermark",
                      {"None", "Watermark Text", "Watermark Image"}});
    QScrollArea* textPage = MakeScrollPage(page, kSubPageArea, QSize(420, 610));
    context.rows.addAll(textPage->widget(), textRows);
    QScrollArea* imagePage = MakeScrollPage(page, kSubPageArea, QSize(420, 310));
    context.rows.addAll(imagePage->widget(), imageRows);
    context.rows.addTarget("Watermark/Text Page", textPage);
    context.rows.addTarget("Watermark/Image Page", imagePage);

    const std::string type = RowName("Watermark", "Do Watermark");
    context.rows.addRule({type, {1}, RuleEffect::Show, {"Watermark/Text Page"}});
    context.rows.addRule({type, {2}, RuleEffect::Show, {"Watermark/Image Page"}});
    // Size offers only "Fixed" today, so Scale stays hidden but keeps its stored value.
    context.rows.addRule({RowName("Watermark", "Text Size"), {1}, RuleEffect::Show,
                          {RowName("Watermark", "Text Scale")}});
    context.rows.addRule({RowName("Watermark", "Image Size"), {1}, RuleEffect::Show,
                          {RowName("Watermark", "Image Scale")}});
    return page;
}

bool SetWatermarkPageChoosers(QWidget* watermarkPage, FontChooser font, ImageChooser image) {
    if (watermarkPage == nullptr)
        return false;
    auto* state = dynamic_cast<WatermarkPageState*>(
        watermarkPage->findChild<QObject*>(kStateName, Qt::FindDirectChildrenOnly));
    if (state == nullptr)
        return false;
    state->setChoosers(std::move(font), std::move(image));
    return true;
}

} // namespace dravik
