// What each series' curve says as a whole: the best worker counts, and the
// fits of Amdahl's law and the Universal Scalability Law to its throughput
// as a table of their figures and a sentence each.
#include <cmath>

#include "i18n/messages.h"
#include "report/sweep/seriesname.h"
#include "report/tables/cells.h"
#include "report/tables/seriescolumns.h"
#include "report/tables/tables.h"

namespace {

// Three significant digits, whole numbers from 100 on: "0.0183", "358", "1320".
std::string figureCell(double value) {
    return std::fabs(value) >= 100 ? fixedCell(value, 0) : significantCell(value);
}

// A fitted figure as three cells: its value, its standard error and its
// 95 % interval; a figure at its bound has neither.
void addEstimate(std::vector<std::string>* cells, const Estimate& estimate) {
    if (estimate.atBound) {
        // TRANSLATORS: a fitted figure held at its bound (0 or 1), in a table cell.
        const std::string held = formatMessage(_("%s (at its bound)"), figureCell(estimate.value).c_str());
        cells->insert(cells->end(), {held, "n/a", "n/a"});
        return;
    }
    cells->push_back(figureCell(estimate.value));
    cells->push_back(figureCell(estimate.stdError));
    if (!std::isfinite(estimate.low) || !std::isfinite(estimate.high)) {
        cells->push_back("n/a");
        return;
    }
    // Appended piece by piece: GCC 12 warns of a false overlap (-Wrestrict)
    // in "[" + std::string(...).
    std::string interval = "[";
    cells->push_back(
        interval.append(figureCell(estimate.low)).append(", ").append(figureCell(estimate.high)).append("]"));
}

// "36 ± 2", marked when it lies outside the counts measured.
std::string peakCell(const Estimate& estimate, bool extrapolated) {
    const std::string figure = std::isfinite(estimate.high)
                                   ? plusMinus(estimate.value, estimate.high - estimate.value)
                                   : figureCell(estimate.value);
    // TRANSLATORS: a figure outside the counts measured, in a table cell.
    return extrapolated ? formatMessage(_("%s (extrapolated)"), figure.c_str()) : figure;
}

std::vector<std::string> fitRow(const SweepModel& model, const SeriesColumns& columns, const SeriesKey& key,
                                const ScalingFit& fit) {
    std::vector<std::string> cells = seriesCells(model, columns, key);
    cells.push_back(fit.model == ScalingModel::usl ? "USL" : "Amdahl");
    cells.push_back(std::to_string(fit.counts));
    cells.push_back(fixedCell(fit.rSquared, 4));
    addEstimate(&cells, fit.sigma);
    if (fit.model == ScalingModel::usl) {
        addEstimate(&cells, fit.kappa);
    } else {
        // TRANSLATORS: Amdahl's law has no coherency term: the cell of κ.
        cells.insert(cells.end(), {_("0 (none in the model)"), "n/a", "n/a"});
    }
    addEstimate(&cells, fit.lambda);
    if (fit.shape == CurveShape::peaks) {
        cells.push_back(peakCell(fit.peak.workers, fit.peak.extrapolated));
        cells.push_back(peakCell(fit.peak.throughput, fit.peak.extrapolated));
    } else if (fit.shape == CurveShape::levelsOff) {
        // TRANSLATORS: the peak cell of a curve that rises towards a ceiling.
        cells.insert(cells.end(), {_("none (levels off)"), peakCell(fit.ceiling, true)});
    } else {
        cells.insert(cells.end(), {_("none"), "n/a"});
    }
    return cells;
}

std::string fitTable(const ScalingReport& report) {
    const SeriesColumns columns = seriesColumns(*report.model);
    std::vector<std::string> headings = seriesHeadings(columns);
    // xgettext:no-c-format
    const char* interval = _("95 % CI");
    headings.insert(headings.end(), {_("model"), _("counts"), "R²", _("σ contention"), _("SE"), interval,
                                     _("κ coherency"), _("SE"), interval, _("λ runs/s of 1 worker"), _("SE"),
                                     interval, _("peak workers N*"), _("peak runs/s")});
    std::vector<bool> numeric(headings.size(), true);
    for (size_t i = 0; i < seriesHeadings(columns).size() + 1; i++) {
        numeric[i] = false;
    }
    std::string table = tableRow(headings) + ruleRow(numeric);
    size_t rows = 0;
    for (const SeriesModel& m : report.models) {
        for (const ScalingFit* fit : {&m.usl, &m.amdahl}) {
            if (fit->outcome == FitOutcome::fitted) {
                table += tableRow(fitRow(*report.model, columns, m.key, *fit));
                rows++;
            }
        }
    }
    return rows == 0 ? "" : "\n" + table;
}

std::string fitLines(const ScalingReport& report) {
    const int32_t cpus = usableCpus(*report.model);
    std::string text;
    for (const SeriesModel& m : report.models) {
        const std::string name = seriesLabel(*report.model, m.key);
        for (const ScalingFit* fit : {&m.usl, &m.amdahl}) {
            text += "- " + name + ": " + fitSentence(*fit, cpus) + ".\n";
            if (const std::string predictions = predictionsSentence(*fit); !predictions.empty()) {
                text += "- " + name + ": " + predictions + ".\n";
            }
        }
    }
    return text;
}

}  // namespace

std::string bestCountText(const ScalingReport& report) {
    if (report.models.empty()) {
        return "";
    }
    std::string text = "\n";
    const char* heading =
        // xgettext:no-c-format
        _("Best worker count per series (the lowest median; counts whose 95 % interval "
          "overlaps its interval cannot be told from it):");
    text += heading;
    text += "\n";
    for (const SeriesModel& m : report.models) {
        std::string line = bestCountLine(m.fastest, MedianKind::wall);
        const std::string cpu = bestCountLine(m.leastCpu, MedianKind::processor);
        line += (line.empty() || cpu.empty() ? "" : "; ") + cpu;
        text += "- " + seriesLabel(*report.model, m.key) + ": " + line + "\n";
    }
    return text;
}

std::string modelText(const ScalingReport& report) {
    if (report.models.empty()) {
        return "";
    }
    std::string text = "\n";
    if (!report.hasWall) {
        text += _("Models of the throughput: the log holds no wall times, so there is no throughput to fit.");
        return text + "\n";
    }
    if (!anyFit(report.models)) {
        text += _("Models of the throughput X(N), runs per second from each count's median wall time:");
        return text + "\n" + fitLines(report);
    }
    const char* heading =
        // xgettext:no-c-format
        _("Models of the throughput X(N), runs per second from each count's median wall time, fitted by "
          "Amdahl's law X = λN / (1 + σ(N − 1)) and the Universal Scalability Law X = λN / (1 + σ(N − 1) + "
          "κN(N − 1)) (unweighted least squares, 95 % intervals from t on n − 3 degrees of freedom, n − 2 "
          "for Amdahl):");
    text += heading;
    text += "\n";
    return text + fitTable(report) + "\n" + fitLines(report);
}
