#include "ui/preferences/preferences_rows.h"

#include "engine/format_tables.h"
#include "settings/settings_schema.h"
#include "texts/language_table.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimeZone>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <limits>

namespace dravik {
namespace {

QString PrefText(const char* key) {
    return QString::fromStdString(GetText("Preferences", key));
}

// The spins take any typed number and clamp it, so 150 in a 1..100 spin becomes 100 instead of
// being refused key by key.
class ClampingSpin : public QSpinBox {
  public:
    explicit ClampingSpin(QWidget* parent) : QSpinBox(parent) {
        // An out-of-range number is replaced at once by the clamped one.
        QObject::connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
            bool ok = false;
            const qlonglong typed = lineEdit()->text().trimmed().toLongLong(&ok);
            const int clamped = valueFromText(lineEdit()->text());
            if (ok && typed != clamped) {
                setValue(clamped);
                lineEdit()->setText(textFromValue(clamped));
            }
        });
    }

  protected:
    QValidator::State validate(QString& text, int&) const override {
        static const QRegularExpression number("^[+-]?[0-9]*$");
        return number.match(text.trimmed()).hasMatch() ? QValidator::Acceptable
                                                       : QValidator::Invalid;
    }
    int valueFromText(const QString& text) const override {
        bool ok = false;
        const qlonglong value = text.trimmed().toLongLong(&ok);
        return static_cast<int>(std::clamp<qlonglong>(ok ? value : 0, minimum(), maximum()));
    }
};

class ClampingRealSpin : public QDoubleSpinBox {
  public:
    explicit ClampingRealSpin(QWidget* parent) : QDoubleSpinBox(parent) {
        // Typed "2.5" is shown as "2.50" once the edit is done.
        QObject::connect(this, &QDoubleSpinBox::editingFinished, this,
                         [this] { lineEdit()->setText(textFromValue(value())); });
    }

  protected:
    QValidator::State validate(QString& text, int&) const override {
        static const QRegularExpression number("^[+-]?[0-9]*[.,]?[0-9]*$");
        return number.match(text.trimmed()).hasMatch() ? QValidator::Acceptable
                                                       : QValidator::Invalid;
    }
    double valueFromText(const QString& text) const override {
        QString t = text.trimmed();
        t.replace(',', '.');
        bool ok = false;
        double value = t.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            value = 0;
        // Whole hundredths, as the track bar holds them.
        const double position = std::clamp(std::round(value * 100.0), minimum() * 100.0,
                                           maximum() * 100.0);
        return position / 100.0;
    }
};

const SettingField* FieldOf(const char* group, const char* key) {
    return group != nullptr && key != nullptr ? FindSetting(group, key) : nullptr;
}

double FieldNumber(const SettingField& field, const Settings& settings) {
    FieldRef ref = field.ref(const_cast<Settings&>(settings));
    if (float* const* real = std::get_if<float*>(&ref))
        return static_cast<double>(**real);
    return static_cast<double>(FieldInt(field, settings));
}

void StoreNumber(const SettingField& field, Settings& settings, double value) {
    FieldRef ref = field.ref(settings);
    if (float* const* real = std::get_if<float*>(&ref)) {
        **real = static_cast<float>(value);
        return;
    }
    AssignFieldInt(field, settings, static_cast<int64_t>(std::llround(value)));
}

int ClampIndex(int64_t value, int count) {
    return value >= 0 && value < count ? static_cast<int>(value) : 0;
}

// Texts are kept on one line and without surrounding blanks: they end up in file names and
// pictures where a stray tab or line break would do harm.
std::string CleanText(const QString& text) {
    QString cleaned = text;
    cleaned.remove('\t').remove('\r').remove('\n');
    return cleaned.trimmed().toStdString();
}

int64_t DigitsValue(const QString& text) {
    static const QRegularExpression digits("^[0-9]+$");
    if (!digits.match(text).hasMatch())
        return 0;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok ? std::min<qlonglong>(value, std::numeric_limits<int32_t>::max())
              : std::numeric_limits<int32_t>::max();
}

std::vector<std::string> ListItems(const std::string& list) {
    std::vector<std::string> items;
    const QStringList parts = QString::fromStdString(list).split(',');
    for (const QString& part : parts)
        if (!part.trimmed().isEmpty())
            items.push_back(part.trimmed().toStdString());
    return items;
}

QPixmap SwatchPicture(const QColor& colour, QSize size) {
    QPixmap picture(size);
    picture.fill(colour);
    return picture;
}

int TrackToSpin(TrackScale scale, int position) {
    return scale == TrackScale::Offset100 ? position - 100 : position;
}

} // namespace

std::string RowName(const char* group, const char* key) {
    if (group == nullptr || key == nullptr)
        return {};
    return std::string(group) + "/" + key;
}

QColor ColourFromText(const std::string& text) {
    static const QRegularExpression hex("^[0-9A-Fa-f]{6}$");
    const QString value = QString::fromStdString(text);
    if (!hex.match(value).hasMatch())
        return QColor(0, 0, 0);
    return QColor(QStringLiteral("#") + value);
}

QString ColourText(const QColor& colour) {
    return QString::asprintf("%02X%02X%02X", colour.red(), colour.green(), colour.blue());
}

void ShowSwatchColour(PreferencesRow& row, const std::string& colour) {
    const QColor shown = ColourFromText(colour);
    if (row.button != nullptr)
        row.button->setIcon(QIcon(SwatchPicture(shown, QSize(34, 12))));
    if (row.hex != nullptr)
        row.hex->setText(ColourText(shown));
}

QScrollArea* MakeScrollPage(QWidget* parent, QRect area, QSize inner) {
    auto* scroll = new QScrollArea(parent);
    scroll->setGeometry(area);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget;
    content->setFixedSize(inner);
    scroll->setWidget(content);
    scroll->verticalScrollBar()->setSingleStep(10);
    scroll->horizontalScrollBar()->setSingleStep(10);
    return scroll;
}

void PreferencesRow::setEnabled(bool enabled) {
    for (QWidget* widget : widgets)
        widget->setEnabled(enabled);
}

void PreferencesRow::setVisible(bool visible) {
    for (QWidget* widget : widgets)
        widget->setVisible(visible);
}

int PreferencesRow::value() const {
    if (check != nullptr)
        return check->isChecked() ? 1 : 0;
    if (combo != nullptr)
        return combo->currentIndex();
    if (track != nullptr)
        return track->value();
    return 0;
}

PreferencesRows::PreferencesRows()
    : chooseColour_([](const QColor& initial) -> std::optional<QColor> {
          const QColor chosen = QColorDialog::getColor(initial);
          return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
      }) {}

PreferencesRows::~PreferencesRows() = default;

PreferencesRow& PreferencesRows::add(QWidget* page, int k, const RowDescription& description) {
    auto owned = std::make_unique<PreferencesRow>();
    PreferencesRow& row = *owned;
    row.description = description;
    const int y = 10 + kRowPitch * k;
    row.label = new QLabel(PrefText(description.label), page);
    row.label->setGeometry(LabelGeometry(k));
    row.widgets.push_back(row.label);
    auto keep = [&row](QWidget* widget) {
        row.widgets.push_back(widget);
        return widget;
    };
    auto addButton = [&] {
        row.button = new QToolButton(page);
        row.button->setText("...");
        row.button->setGeometry(389, y - 1, 22, 22);
        keep(row.button);
        QObject::connect(row.button, &QToolButton::clicked, row.button, [&row] {
            if (row.description.hooks != nullptr && row.description.hooks->button)
                row.description.hooks->button(row);
        });
    };
    switch (description.kind) {
    case RowKind::DropDown:
    case RowKind::DepthList:
    case RowKind::DropDownButton: {
        row.combo = new QComboBox(page);
        const bool withButton = description.kind == RowKind::DropDownButton;
        row.combo->setGeometry(170, y, withButton ? 214 : 240, 21);
        if (description.kind == RowKind::DepthList) {
            row.combo->addItem(PrefText("Auto"), 0);
            if (const OutputFormat* format =
                    description.format != nullptr ? FindOutputFormat(description.format) : nullptr)
                for (int depth : AllowedDepths(*format))
                    row.combo->addItem(QString::number(depth), depth);
        } else {
            for (const char* choice : description.choices)
                row.combo->addItem(PrefText(choice));
        }
        row.control = keep(row.combo);
        if (withButton)
            addButton();
        break;
    }
    case RowKind::CheckBox:
        row.check = new QCheckBox(page);
        row.check->setGeometry(170, y, 240, 20);
        row.control = keep(row.check);
        break;
    case RowKind::Text:
    case RowKind::FieldButton:
        row.field = new QLineEdit(page);
        row.field->setGeometry(170, y, description.kind == RowKind::Text ? 240 : 214, 20);
        row.control = keep(row.field);
        if (description.kind == RowKind::FieldButton)
            addButton();
        break;
    case RowKind::Number: {
        row.field = new QLineEdit(page);
        row.field->setGeometry(170, y, 160, 20);
        row.field->setValidator(
            new QRegularExpressionValidator(QRegularExpression("[0-9]*"), row.field));
        row.control = keep(row.field);
        row.unit = new QComboBox(page);
        row.unit->setGeometry(340, y - 1, 70, 21);
        for (const char* unit : description.choices)
            row.unit->addItem(PrefText(unit));
        row.unit->setCurrentIndex(0);
        keep(row.unit);
        break;
    }
    case RowKind::Track: {
        row.track = new QSlider(Qt::Horizontal, page);
        row.track->setGeometry(170, y, 170, 20);
        row.track->setRange(description.min, description.max);
        row.control = keep(row.track);
        if (description.scale == TrackScale::Hundredths) {
            auto* spin = new ClampingRealSpin(page);
            spin->setDecimals(2);
            spin->setRange(description.min / 100.0, description.max / 100.0);
            spin->setSingleStep(0.01);
            row.spin = spin;
            QObject::connect(row.track, &QSlider::valueChanged, spin, [spin](int position) {
                // Leave the text being typed alone when it already means this position.
                if (std::lround(spin->value() * 100.0) == position)
                    return;
                const QSignalBlocker block(spin);
                spin->setValue(position / 100.0);
            });
            QObject::connect(spin, &QDoubleSpinBox::valueChanged, row.track, [&row](double value) {
                row.track->setValue(static_cast<int>(std::lround(value * 100.0)));
            });
        } else {
            auto* spin = new ClampingSpin(page);
            spin->setRange(TrackToSpin(description.scale, description.min), TrackToSpin(description.scale, description.max));
            row.spin = spin;
            const TrackScale scale = description.scale;
            QObject::connect(row.track, &QSlider::valueChanged, spin, [spin, scale](int position) {
                if (spin->value() == TrackToSpin(scale, position))
                    return;
                const QSignalBlocker block(spin);
                spin->setValue(TrackToSpin(scale, position));
            });
            QObject::connect(spin, &QSpinBox::valueChanged, row.track, [&row, scale](int value) {
                row.track->setValue(scale == TrackScale::Offset100 ? value + 100 : value);
            });
        }
        row.spin->setGeometry(340, y, 70, 20);
        keep(row.spin);
        break;
    }
    case RowKind::Swatch: {
        row.button = new QToolButton(page);
        row.button->setGeometry(170, y - 1, 44, 22);
        row.button->setIconSize(QSize(34, 12));
        row.control = keep(row.button);
        row.hex = new QLineEdit(page);
        row.hex->setReadOnly(true);
        row.hex->setGeometry(220, y, 190, 20);
        keep(row.hex);
        QObject::connect(row.button, &QToolButton::clicked, row.button, [this, &row] {
            const QColor current = ColourFromText(row.hex->text().toStdString());
            if (!chooseColour_)
                return;
            const std::optional<QColor> chosen = chooseColour_(current);
            if (chosen && chosen->rgb() != current.rgb())
                ShowSwatchColour(row, ColourText(*chosen).toStdString());
        });
        break;
    }
    case RowKind::DateTime:
        row.dateTime = new QDateTimeEdit(page);
        row.dateTime->setGeometry(170, y, 240, 20);
        row.dateTime->setDisplayFormat("yyyy/MM/dd hh:mm");
        row.dateTime->setTimeSpec(Qt::UTC);
        row.control = keep(row.dateTime);
        break;
    case RowKind::Custom:
        if (description.hooks != nullptr && description.hooks->build) {
            row.control = description.hooks->build(page, QRect(170, y, 240, 21), row);
            if (row.control != nullptr)
                keep(row.control);
            if (row.combo == nullptr)
                row.combo = qobject_cast<QComboBox*>(row.control);
        }
        break;
    }
    watch(row);
    rows_.push_back(std::move(owned));
    return row;
}

void PreferencesRows::addAll(QWidget* page, std::span<const RowDescription> descriptions, int firstRow) {
    int k = firstRow;
    for (const RowDescription& description : descriptions)
        add(page, k++, description);
}

void PreferencesRows::addTarget(const std::string& name, QWidget* widget) {
    targets_[name] = widget;
}

void PreferencesRows::addRule(RowRule rule) {
    rules_.push_back(std::move(rule));
}

void PreferencesRows::watch(PreferencesRow& row) {
    const std::string name = RowName(row.description.group, row.description.key);
    if (name.empty())
        return;
    auto rerun = [this, name] {
        for (const RowRule& rule : rules_)
            if (rule.controller == name)
                runRule(rule);
    };
    if (row.check != nullptr)
        QObject::connect(row.check, &QCheckBox::toggled, row.check, rerun);
    else if (row.combo != nullptr)
        QObject::connect(row.combo, &QComboBox::currentIndexChanged, row.combo, rerun);
    else if (row.track != nullptr)
        QObject::connect(row.track, &QSlider::valueChanged, row.track, rerun);
}

void PreferencesRows::runRule(const RowRule& rule) {
    PreferencesRow* controller = find(rule.controller);
    if (controller == nullptr)
        return;
    const bool on = std::find(rule.values.begin(), rule.values.end(), controller->value()) !=
                    rule.values.end();
    for (const std::string& target : rule.targets) {
        if (PreferencesRow* row = find(target)) {
            rule.effect == RuleEffect::Enable ? row->setEnabled(on) : row->setVisible(on);
        } else if (auto it = targets_.find(target); it != targets_.end()) {
            rule.effect == RuleEffect::Enable ? it->second->setEnabled(on)
                                              : it->second->setVisible(on);
        }
    }
}

void PreferencesRows::runRules() {
    for (const RowRule& rule : rules_)
        runRule(rule);
}

PreferencesRow* PreferencesRows::find(const std::string& name) {
    if (name.empty())
        return nullptr;
    for (const auto& row : rows_)
        if (RowName(row->description.group, row->description.key) == name)
            return row.get();
    return nullptr;
}

void PreferencesRows::fill(const Settings& settings) {
    for (const auto& owned : rows_) {
        PreferencesRow& row = *owned;
        const RowDescription& description = row.description;
        if (description.hooks != nullptr && description.hooks->fill) {
            description.hooks->fill(row, settings);
            continue;
        }
        const SettingField* field = FieldOf(description.group, description.key);
        switch (description.kind) {
        case RowKind::DropDown:
            row.combo->setCurrentIndex(
                field != nullptr ? ClampIndex(FieldInt(*field, settings), row.combo->count()) : 0);
            break;
        case RowKind::DepthList: {
            const int64_t depth = field != nullptr ? FieldInt(*field, settings) : 0;
            const int found = row.combo->findData(static_cast<int>(
                std::clamp<int64_t>(depth, 0, std::numeric_limits<int32_t>::max())));
            row.combo->setCurrentIndex(depth != 0 && found > 0 ? found : 0);
            break;
        }
        case RowKind::DropDownButton:
            if (description.listGroup != nullptr) {
                row.combo->clear();
                const SettingField* list = FieldOf(description.listGroup, description.listKey);
                for (const std::string& item :
                     ListItems(list != nullptr ? FieldText(*list, settings) : ""))
                    row.combo->addItem(QString::fromStdString(item));
                const int found = field != nullptr
                                      ? row.combo->findText(QString::fromStdString(
                                            FieldText(*field, settings)))
                                      : -1;
                row.combo->setCurrentIndex(found >= 0 ? found : (row.combo->count() > 0 ? 0 : -1));
            } else {
                row.combo->setCurrentIndex(
                    field != nullptr ? ClampIndex(FieldInt(*field, settings), row.combo->count())
                                     : 0);
            }
            break;
        case RowKind::CheckBox:
            row.check->setChecked(field != nullptr && FieldInt(*field, settings) != 0);
            break;
        case RowKind::Text:
        case RowKind::FieldButton:
            row.field->setText(
                field != nullptr ? QString::fromStdString(FieldText(*field, settings)) : "");
            break;
        case RowKind::Number: {
            row.field->setText(
                field != nullptr ? QString::number(FieldInt(*field, settings)) : QString("0"));
            const SettingField* unit = FieldOf(description.unitGroup, description.unitKey);
            row.unit->setCurrentIndex(
                unit != nullptr ? ClampIndex(FieldInt(*unit, settings), row.unit->count()) : 0);
            break;
        }
        case RowKind::Track: {
            double value = field != nullptr ? FieldNumber(*field, settings) : description.min;
            double position = description.scale == TrackScale::Offset100 ? value + 100
                              : description.scale == TrackScale::Hundredths ? std::round(value * 100)
                                                                     : value;
            if (!std::isfinite(position))
                position = description.scale == TrackScale::Hundredths ? 100 : description.min;
            const int clamped = static_cast<int>(std::clamp<double>(position, description.min, description.max));
            row.track->setValue(clamped);
            // setValue emits nothing when the position is unchanged; the spin must still agree.
            if (auto* real = qobject_cast<QDoubleSpinBox*>(row.spin))
                real->setValue(clamped / 100.0);
            else if (auto* whole = qobject_cast<QSpinBox*>(row.spin))
                whole->setValue(TrackToSpin(description.scale, clamped));
            break;
        }
        case RowKind::Swatch:
            ShowSwatchColour(row, field != nullptr ? FieldText(*field, settings) : "");
            break;
        case RowKind::DateTime:
            row.dateTime->setDateTime(QDateTime::fromSecsSinceEpoch(
                field != nullptr ? FieldInt(*field, settings) : 0, Qt::UTC));
            break;
        case RowKind::Custom:
            break;
        }
    }
    runRules();
}

void PreferencesRows::store(Settings& settings) const {
    for (const auto& owned : rows_)
        storeOne(*owned, settings);
}

void PreferencesRows::storeOne(const PreferencesRow& row, Settings& settings) {
    {
        const RowDescription& description = row.description;
        if (description.hooks != nullptr && description.hooks->store) {
            description.hooks->store(row, settings);
            return;
        }
        const SettingField* field = FieldOf(description.group, description.key);
        if (field == nullptr)
            return;
        switch (description.kind) {
        case RowKind::DropDown:
            AssignFieldInt(*field, settings, std::max(row.combo->currentIndex(), 0));
            break;
        case RowKind::DepthList:
            AssignFieldInt(*field, settings,
                           row.combo->currentIndex() > 0 ? row.combo->currentData().toInt() : 0);
            break;
        case RowKind::DropDownButton:
            if (description.listGroup != nullptr)
                AssignFieldText(*field, settings, row.combo->currentText().toStdString());
            else
                AssignFieldInt(*field, settings, std::max(row.combo->currentIndex(), 0));
            break;
        case RowKind::CheckBox:
            AssignFieldInt(*field, settings, row.check->isChecked() ? 1 : 0);
            break;
        case RowKind::Text:
        case RowKind::FieldButton:
            AssignFieldText(*field, settings, CleanText(row.field->text()));
            break;
        case RowKind::Number:
            AssignFieldInt(*field, settings, DigitsValue(row.field->text()));
            if (const SettingField* unit = FieldOf(description.unitGroup, description.unitKey))
                AssignFieldInt(*unit, settings, std::max(row.unit->currentIndex(), 0));
            break;
        case RowKind::Track: {
            const int position = row.track->value();
            StoreNumber(*field, settings,
                        description.scale == TrackScale::Offset100    ? position - 100.0
                        : description.scale == TrackScale::Hundredths ? position / 100.0
                                                               : position);
            break;
        }
        case RowKind::Swatch:
            AssignFieldText(*field, settings, row.hex->text().toStdString());
            break;
        case RowKind::DateTime: {
            const qint64 seconds = row.dateTime->dateTime().toSecsSinceEpoch();
            AssignFieldInt(*field, settings,
                           std::clamp<qint64>(seconds, std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max()));
            break;
        }
        case RowKind::Custom:
            break;
        }
    }
}

} // namespace dravik
