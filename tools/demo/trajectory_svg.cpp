#include "trajectory_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace demo {
namespace {

constexpr double kWidth = 800, kHeight = 450, kMargin = 50;
const char* const kColours[] = {"#c0392b", "#2471a3", "#229954", "#7d3c98"};

// A round step for axis ticks covering `span` in about five intervals.
double tickStep(double span) {
    const double raw = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (raw <= m * power) {
            return m * power;
        }
    }
    return 10.0 * power;
}

}  // namespace

bool writeTrajectorySvg(const std::string& path, const std::vector<const FlightSummary*>& flights) {
    double maxX = 1.0, maxY = 1.0, minY = 0.0;
    for (const FlightSummary* f : flights) {
        for (const Frame& p : f->frames) {
            maxX = std::max(maxX, double(p.x));
            maxY = std::max(maxY, double(p.y));
            minY = std::min(minY, double(p.y));
        }
    }
    const double plotW = kWidth - 2 * kMargin, plotH = kHeight - 2 * kMargin;
    const double scale = std::min(plotW / maxX, plotH / (maxY - minY));  // one metre is one metre
    auto sx = [&](double x) { return kMargin + x * scale; };
    auto sy = [&](double y) { return kHeight - kMargin - (y - minY) * scale; };

    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                 "font-family=\"sans-serif\" font-size=\"12\">\n"
                 "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                 kWidth, kHeight);
    // Axes with ticks in metres.
    std::fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n",
                 sx(0), sy(0), sx(maxX), sy(0));
    std::fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n",
                 sx(0), sy(minY), sx(0), sy(maxY));
    const double step = tickStep(std::max(maxX, maxY - minY));
    for (int i = 0; i * step <= maxX + 1e-9; ++i) {
        const double x = i * step;
        std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%g</text>\n", sx(x),
                     sy(0) + 16, x);
    }
    for (int i = static_cast<int>(std::ceil(minY / step)); i * step <= maxY + 1e-9; ++i) {
        const double y = i * step;
        std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n", sx(0) - 6,
                     sy(y) + 4, y);
    }
    std::fprintf(out,
                 "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">range (m)</text>\n"
                 "<text x=\"14\" y=\"%.1f\" transform=\"rotate(-90 14 %.1f)\" "
                 "text-anchor=\"middle\">height (m)</text>\n",
                 kWidth / 2, kHeight - 10, kHeight / 2, kHeight / 2);

    for (std::size_t i = 0; i < flights.size(); ++i) {
        const char* colour = kColours[i % 4];
        // Later flights are dashed, so one that lies on top of an earlier one still shows.
        std::fprintf(out,
                     "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\"%s points=\"",
                     colour, i >= 2 ? " stroke-dasharray=\"6 4\"" : "");
        for (const Frame& p : flights[i]->frames) {
            std::fprintf(out, "%.2f,%.2f ", sx(p.x), sy(p.y));
        }
        std::fprintf(out, "\"/>\n");
        const double ly = kMargin + 18.0 * static_cast<double>(i);
        std::fprintf(out,
                     "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
                     "stroke-width=\"2\"/>\n<text x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                     kWidth - 260, ly, kWidth - 230, ly, colour, kWidth - 222, ly + 4,
                     flights[i]->name.c_str());
    }
    std::fprintf(out, "</svg>\n");
    return std::fclose(out) == 0;
}

}  // namespace demo
