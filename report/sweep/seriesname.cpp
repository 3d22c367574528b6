#include "report/sweep/seriesname.h"

#include "i18n/messages.h"

namespace {

std::string joined(std::initializer_list<const std::string*> parts) {
    std::string text;
    for (const std::string* part : parts) {
        if (!part->empty()) {
            text += (text.empty() ? "" : ", ") + *part;
        }
    }
    return text;
}

}  // namespace

std::string SeriesName::text() const {
    return joined({&size, &settings, &mode, &sweep});
}

std::string SeriesName::variant() const {
    return joined({&settings, &mode, &sweep});
}

std::string sizeLabel(int32_t rows, int32_t columns) {
    return std::to_string(rows) + " × " + std::to_string(columns);
}

std::string settingName(const SweepModel& model, int32_t setting) {
    const auto index = static_cast<size_t>(setting);
    return index >= model.settings.size() || model.settings[index].empty() ? _("defaults")
                                                                           : settingsText(model.settings[index]);
}

SeriesName nameSeries(const SweepModel& model, const SeriesKey& key) {
    SeriesName name;
    name.size = sizeLabel(key.rows, key.columns);
    if (severalSettings(model)) {
        name.settings = settingName(model, key.setting);
    }
    if (severalModes(model)) {
        name.mode = model.modes[static_cast<size_t>(key.mode)];
    }
    if (key.sweep > 0 && static_cast<size_t>(key.sweep) <= model.apart.size()) {
        name.sweep = model.apart[static_cast<size_t>(key.sweep) - 1].label;
    }
    return name;
}

std::string seriesLabel(const SweepModel& model, const SeriesKey& key) {
    return nameSeries(model, key).text();
}

std::string groupLabel(const SweepModel& model, const GroupKey& key) {
    // TRANSLATORS: the matrix size (and settings, mode and sweep), then the worker count.
    return formatMessage(ngettext("%s, %d worker", "%s, %d workers", static_cast<unsigned long>(key.threads)),
                         seriesLabel(model, key.series()).c_str(), key.threads);
}
