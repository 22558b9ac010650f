// A small SVG writer for log-log line charts: panels side by side, each with its series, decade
// grid lines, dashed reference levels and a legend.
#ifndef BENCH_SVG_PLOT_H
#define BENCH_SVG_PLOT_H

#include <string>
#include <vector>

namespace bench {

struct PlotPoint {
    double x, y;
    std::string label;  // drawn beside the point when not empty
};

struct PlotSeries {
    std::string name, color;
    std::vector<PlotPoint> points;
};

struct PlotLevel {
    double y;
    std::string label;
};

struct PlotPanel {
    std::string title, xLabel, yLabel;
    std::vector<PlotSeries> series;
    std::vector<PlotLevel> levels;
};

// Writes the panels side by side under `title`, with `note` as a line of small print below.
// Returns false when the file cannot be written.
bool writeLogLogSvg(const std::string& path, const std::string& title, const std::string& note,
                    const std::vector<PlotPanel>& panels);

}  // namespace bench

#endif
