#include "report/models/bestcount.h"

#include <algorithm>

#include "i18n/messages.h"

BestCount bestCount(const std::vector<CountMedian>& counts) {
    BestCount best;
    const CountMedian* lowest = nullptr;
    for (const CountMedian& count : counts) {
        if (!std::isfinite(count.median)) {
            continue;
        }
        best.counts++;
        if (lowest == nullptr || count.median < lowest->median ||
            (count.median == lowest->median && count.workers < lowest->workers)) {
            lowest = &count;
        }
    }
    if (lowest == nullptr) {
        return best;
    }
    best.found = true;
    best.workers = lowest->workers;
    best.hasInterval = lowest->hasInterval;
    for (const CountMedian& count : counts) {
        if (&count == lowest || !std::isfinite(count.median)) {
            continue;
        }
        if (!best.hasInterval || !count.hasInterval) {
            best.untold.push_back(count.workers);
        } else if (count.low <= lowest->high && lowest->low <= count.high) {
            best.withinNoise.push_back(count.workers);
        }
    }
    std::sort(best.withinNoise.begin(), best.withinNoise.end());
    std::sort(best.untold.begin(), best.untold.end());
    return best;
}

std::string countList(const std::vector<int32_t>& counts) {
    std::vector<std::string> items;
    for (size_t i = 0; i < counts.size();) {
        size_t end = i + 1;
        while (end < counts.size() && counts[end] == counts[end - 1] + 1) {
            end++;
        }
        if (end - i >= 3) {
            items.push_back(formatMessage("%d–%d", counts[i], counts[end - 1]));
        } else {
            end = i + 1;
            items.push_back(formatMessage("%d", counts[i]));
        }
        i = end;
    }
    if (items.empty()) {
        return "";
    }
    std::string head = items.front();
    for (size_t i = 1; i + 1 < items.size(); i++) {
        head += ", " + items[i];
    }
    // TRANSLATORS: the last two items of a list of worker counts ("1, 3 and 5").
    return items.size() == 1 ? head : formatMessage(_("%s and %s"), head.c_str(), items.back().c_str());
}

std::string bestCountLine(const BestCount& best, MedianKind kind) {
    if (!best.found) {
        return "";
    }
    const std::string workers = formatMessage(
        ngettext("%d worker", "%d workers", static_cast<unsigned long>(best.workers)), best.workers);
    std::string noise;
    if (best.counts == 1) {
        noise = _("the only count measured");
    } else if (!best.hasInterval) {
        noise = _("too few runs to tell which counts are within the noise");
    } else if (best.withinNoise.empty() && best.untold.empty()) {
        noise = _("no other count within the noise");
    } else if (best.untold.empty()) {
        noise = formatMessage(_("%s within the noise"), countList(best.withinNoise).c_str());
    } else if (best.withinNoise.empty()) {
        noise = formatMessage(_("%s: too few runs to tell"), countList(best.untold).c_str());
    } else {
        noise = formatMessage(_("%s within the noise; %s: too few runs to tell"),
                              countList(best.withinNoise).c_str(), countList(best.untold).c_str());
    }
    // TRANSLATORS: the best count ("2 workers"), then which counts are
    // within its noise ("1 and 3 within the noise").
    const char* format =
        kind == MedianKind::wall ? _("fastest here: %s (%s)") : _("least processor time here: %s (%s)");
    return formatMessage(format, workers.c_str(), noise.c_str());
}
