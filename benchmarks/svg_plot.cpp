#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace bench {
namespace {

constexpr double kPanelWidth = 560, kPanelHeight = 440;
constexpr double kLeft = 70, kRight = 20, kTop = 40, kBottom = 60;  // margins inside a panel
constexpr double kHeader = 40, kFooter = 40;

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

std::string decadeLabel(int exponent) {
    if (exponent == 0) return "1";
    if (exponent == 1) return "10";
    return "1e" + std::to_string(exponent);
}

struct Axis {
    int low, high;  // decades
    double from, to;  // pixels
    double at(double v) const {
        return from + (std::log10(v) - low) / double(high - low) * (to - from);
    }
};

Axis decades(double lo, double hi, double from, double to) {
    int a = static_cast<int>(std::floor(std::log10(lo)));
    int b = static_cast<int>(std::ceil(std::log10(hi)));
    if (b <= a) b = a + 1;
    return Axis{a, b, from, to};
}

void panel(std::ostringstream& svg, const PlotPanel& p, double ox, double oy) {
    double xlo = INFINITY, xhi = 0, ylo = INFINITY, yhi = 0;
    for (const PlotSeries& s : p.series) {
        for (const PlotPoint& q : s.points) {
            if (q.x > 0) { xlo = std::min(xlo, q.x); xhi = std::max(xhi, q.x); }
            if (q.y > 0) { ylo = std::min(ylo, q.y); yhi = std::max(yhi, q.y); }
        }
    }
    for (const PlotLevel& l : p.levels) { ylo = std::min(ylo, l.y); yhi = std::max(yhi, l.y); }
    if (!(xhi > 0)) { xlo = 1; xhi = 10; }
    if (!(yhi > 0)) { ylo = 1; yhi = 10; }
    const double x0 = ox + kLeft, x1 = ox + kPanelWidth - kRight;
    const double y0 = oy + kPanelHeight - kBottom, y1 = oy + kTop;
    const Axis ax = decades(xlo, xhi, x0, x1);
    const Axis ay = decades(ylo, yhi, y0, y1);

    svg << "<text x=\"" << num((x0 + x1) / 2) << "\" y=\"" << num(oy + 24)
        << "\" text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\">" << escaped(p.title) << "</text>\n";
    svg << "<rect x=\"" << num(x0) << "\" y=\"" << num(y1) << "\" width=\"" << num(x1 - x0) << "\" height=\""
        << num(y0 - y1) << "\" fill=\"white\" stroke=\"#444\"/>\n";
    for (int d = ax.low; d <= ax.high; ++d) {
        const double x = ax.at(std::pow(10.0, d));
        svg << "<line x1=\"" << num(x) << "\" y1=\"" << num(y0) << "\" x2=\"" << num(x) << "\" y2=\"" << num(y1)
            << "\" stroke=\"#ddd\"/>\n";
        svg << "<text x=\"" << num(x) << "\" y=\"" << num(y0 + 16) << "\" text-anchor=\"middle\" font-size=\"11\">"
            << decadeLabel(d) << "</text>\n";
    }
    const int yStep = (ay.high - ay.low) > 12 ? 2 : 1;
    for (int d = ay.low; d <= ay.high; d += yStep) {
        const double y = ay.at(std::pow(10.0, d));
        svg << "<line x1=\"" << num(x0) << "\" y1=\"" << num(y) << "\" x2=\"" << num(x1) << "\" y2=\"" << num(y)
            << "\" stroke=\"#ddd\"/>\n";
        svg << "<text x=\"" << num(x0 - 6) << "\" y=\"" << num(y + 4) << "\" text-anchor=\"end\" font-size=\"11\">"
            << decadeLabel(d) << "</text>\n";
    }
    for (const PlotLevel& l : p.levels) {
        const double y = ay.at(l.y);
        svg << "<line x1=\"" << num(x0) << "\" y1=\"" << num(y) << "\" x2=\"" << num(x1) << "\" y2=\"" << num(y)
            << "\" stroke=\"#888\" stroke-dasharray=\"6,4\"/>\n";
        svg << "<text x=\"" << num(x1 - 4) << "\" y=\"" << num(y - 4) << "\" text-anchor=\"end\" font-size=\"11\" fill=\"#555\">"
            << escaped(l.label) << "</text>\n";
    }
    svg << "<text x=\"" << num((x0 + x1) / 2) << "\" y=\"" << num(y0 + 38) << "\" text-anchor=\"middle\" font-size=\"12\">"
        << escaped(p.xLabel) << "</text>\n";
    svg << "<text transform=\"translate(" << num(ox + 18) << "," << num((y0 + y1) / 2)
        << ") rotate(-90)\" text-anchor=\"middle\" font-size=\"12\">" << escaped(p.yLabel) << "</text>\n";

    for (const PlotSeries& s : p.series) {
        std::ostringstream path;
        for (const PlotPoint& q : s.points) {
            if (q.x > 0 && q.y > 0) path << num(ax.at(q.x)) << "," << num(ay.at(q.y)) << " ";
        }
        svg << "<polyline fill=\"none\" stroke=\"" << s.color << "\" stroke-width=\"1.8\" points=\"" << path.str()
            << "\"/>\n";
        for (const PlotPoint& q : s.points) {
            if (!(q.x > 0 && q.y > 0)) continue;
            svg << "<circle cx=\"" << num(ax.at(q.x)) << "\" cy=\"" << num(ay.at(q.y)) << "\" r=\"3.2\" fill=\""
                << s.color << "\"/>\n";
            if (!q.label.empty()) {
                svg << "<text x=\"" << num(ax.at(q.x) + 5) << "\" y=\"" << num(ay.at(q.y) - 5)
                    << "\" font-size=\"10\" fill=\"" << s.color << "\">" << escaped(q.label) << "</text>\n";
            }
        }
    }
    // Legend, top left inside the frame.
    double ly = y1 + 16;
    for (const PlotSeries& s : p.series) {
        svg << "<line x1=\"" << num(x0 + 10) << "\" y1=\"" << num(ly - 4) << "\" x2=\"" << num(x0 + 30) << "\" y2=\""
            << num(ly - 4) << "\" stroke=\"" << s.color << "\" stroke-width=\"2.5\"/>\n";
        svg << "<text x=\"" << num(x0 + 36) << "\" y=\"" << num(ly) << "\" font-size=\"11\">" << escaped(s.name)
            << "</text>\n";
        ly += 15;
    }
}

}  // namespace

bool writeLogLogSvg(const std::string& path, const std::string& title, const std::string& note,
                    const std::vector<PlotPanel>& panels) {
    const double width = kPanelWidth * double(panels.size());
    const double height = kHeader + kPanelHeight + kFooter;
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(width) << "\" height=\"" << num(height)
        << "\" viewBox=\"0 0 " << num(width) << " " << num(height) << "\" font-family=\"sans-serif\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#fafafa\"/>\n"
        << "<text x=\"" << num(width / 2) << "\" y=\"26\" text-anchor=\"middle\" font-size=\"17\">" << escaped(title)
        << "</text>\n";
    for (std::size_t i = 0; i < panels.size(); ++i) panel(svg, panels[i], kPanelWidth * double(i), kHeader);
    svg << "<text x=\"10\" y=\"" << num(height - 14) << "\" font-size=\"11\" fill=\"#555\">" << escaped(note)
        << "</text>\n</svg>\n";
    std::ofstream out(path);
    out << svg.str();
    return static_cast<bool>(out);
}

}  // namespace bench
