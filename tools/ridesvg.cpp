// Draws what holding the keys does to the vehicle: the balance model run frame by frame for a
// fixed key sequence (Up held for 1 s, no key for 1 s, then Down held until the fall), with the
// tilt in degrees and the speed against time, as an SVG picture.
// Usage: ridesvg FILE
#include "sim/constants.h"
#include "sim/object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Sample {
    float tilt;
    float speed;
};

// Frames from rest with the up arrow held, then none, then the down arrow until the fall: the
// keys are applied before the frame's steps, as the main loop does.
std::vector<Sample> ride(int upFrames, int idleFrames, int& downFrom) {
    object model;
    model.resetAll();
    std::vector<Sample> samples = {{0, 0}};
    downFrom = upFrames + idleFrames;
    for (int frame = 0; frame < 10000; ++frame) {
        if (frame < upFrames)
            theta = static_cast<float>(theta + 0.01);
        else if (frame >= downFrom)
            theta = static_cast<float>(theta - 0.01);
        const float tilt = model.bend();
        samples.push_back({tilt, model.move()});
        if (tilt >= 90 || tilt <= -90)
            break;
    }
    return samples;
}

std::string number(double value, int decimals = 1) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// One panel: a curve of one quantity against time, with its grid, axis labels and title.
struct Panel {
    double top;
    double height;
    double low;
    double high;
    double step;

    double y(double value) const { return top + height * (high - value) / (high - low); }
};

const double kLeft = 60;
const double kWidth = 560;

double x(double seconds, double total) {
    return kLeft + kWidth * seconds / total;
}

std::string panel(const Panel& p, const std::vector<Sample>& samples, bool tilt, const char* title,
                  const char* colour, double total) {
    std::string out;
    for (double v = p.low; v <= p.high + 1e-9; v += p.step) {
        const std::string y = number(p.y(v));
        out += "<line x1=\"" + number(kLeft) + "\" y1=\"" + y + "\" x2=\"" +
               number(kLeft + kWidth) + "\" y2=\"" + y + "\" stroke=\"" +
               (v == 0 ? "#888" : "#ddd") + "\"/>\n";
        out += "<text x=\"" + number(kLeft - 6) + "\" y=\"" + number(p.y(v) + 4) +
               "\" text-anchor=\"end\">" + number(v, 0) + "</text>\n";
    }
    out += "<text x=\"" + number(kLeft) + "\" y=\"" + number(p.top - 8) +
           "\" font-weight=\"bold\">" + title + "</text>\n";
    out += "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
           "\" stroke-width=\"2\" points=\"";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double value = tilt ? samples[i].tilt : samples[i].speed;
        out += number(x(i * dt, total)) + "," + number(p.y(std::clamp(value, p.low, p.high))) + " ";
    }
    out += "\"/>\n";
    return out;
}

std::string band(double from, double to, double total, const char* fill, const char* label) {
    return "<rect x=\"" + number(x(from, total)) + "\" y=\"30\" width=\"" +
           number(x(to, total) - x(from, total)) + "\" height=\"420\" fill=\"" + fill +
           "\"/>\n<text x=\"" + number((x(from, total) + x(to, total)) / 2) +
           "\" y=\"466\" text-anchor=\"middle\">" + label + "</text>\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ridesvg FILE\n");
        return 2;
    }
    int downFrom = 0;
    const std::vector<Sample> samples = ride(100, 100, downFrom);
    const double total = std::ceil((samples.size() - 1) * dt * 2) / 2;
    const double fall = (samples.size() - 1) * dt;

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"500\" "
                      "viewBox=\"0 0 640 500\" font-family=\"sans-serif\" font-size=\"12\">\n"
                      "<rect width=\"640\" height=\"500\" fill=\"white\"/>\n";
    svg += band(0, 1, total, "#e3f0e3", "Up held");
    svg += band(1, downFrom * dt, total, "#f2f2f2", "no key");
    svg += band(downFrom * dt, fall, total, "#f6e3e3", "Down held until the fall");
    const Panel tilt = {50, 180, -90, 30, 30};
    svg += panel(tilt, samples, true, "tilt (degrees)", "#b03030", total);
    svg +=
        panel({270, 150, -10, 10, 5}, samples, false, "speed (units per second)", "#3050b0", total);
    svg += "<circle cx=\"" + number(x(fall, total)) + "\" cy=\"" + number(tilt.y(-90)) +
           "\" r=\"4\" fill=\"#b03030\"/>\n<text x=\"" + number(x(fall, total) + 8) + "\" y=\"" +
           number(tilt.y(-90) + 4) + "\">falls</text>\n";
    for (double s = 0; s <= total + 1e-9; s += 0.5)
        svg += "<text x=\"" + number(x(s, total)) + "\" y=\"440\" text-anchor=\"middle\">" +
               number(s) + " s</text>\n";
    svg += "</svg>\n";

    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fputs(svg.c_str(), out) >= 0;
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
