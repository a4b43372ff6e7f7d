#include "keyboard/KeyboardPalette.h"
#include "image/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

// Machado, Oliveira and Fernandes (2009): full dichromacy, applied to linear RGB.
const struct {
    const char* pszName;
    Matrix m;
} kDichromacies[] = {
    {"protanopia",
     {{{0.152286, 1.052583, -0.204868},
       {0.114503, 0.786281, 0.099216},
       {-0.003882, -0.048116, 1.051998}}}},
    {"deuteranopia",
     {{{0.367322, 0.860646, -0.227968},
       {0.280085, 0.672501, 0.047413},
       {-0.011820, 0.042940, 0.968881}}}},
    {"tritanopia",
     {{{1.255528, -0.076749, -0.178779},
       {-0.078411, 0.930809, 0.147602},
       {0.004733, 0.691367, 0.303900}}}},
};

// Colours closer than this in CIELAB (delta E 1976) are easily taken for each other.
constexpr double kMinDistance = 15.0;

double Linear(int nComponent) {
    const double c = nComponent / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::array<double, 3> Lab(const std::array<double, 3>& rgb) {
    const double x = 0.4124 * rgb[0] + 0.3576 * rgb[1] + 0.1805 * rgb[2];
    const double y = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
    const double z = 0.0193 * rgb[0] + 0.1192 * rgb[1] + 0.9505 * rgb[2];
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    const double fx = f(x / 0.95047);
    const double fy = f(y);
    const double fz = f(z / 1.08883);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

std::array<double, 3> Seen(QRgb clr, const Matrix& m) {
    const std::array<double, 3> rgb{Linear(qRed(clr)), Linear(qGreen(clr)), Linear(qBlue(clr))};
    std::array<double, 3> out{};
    for (std::size_t i = 0; i < 3; ++i) {
        out[i] = std::clamp(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2], 0.0, 1.0);
    }
    return Lab(out);
}

// The smallest distance between any two of the colours as an eye of that kind sees them.
double Closest(const std::vector<QRgb>& colours, const Matrix& m) {
    double dMin = 1e9;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        for (std::size_t j = i + 1; j < colours.size(); ++j) {
            const auto a = Seen(colours[i], m);
            const auto b = Seen(colours[j], m);
            dMin = std::min(dMin, std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]));
        }
    }
    return dMin;
}

std::vector<QRgb> Channels(const SKeyboardPalette& palette) {
    std::vector<QRgb> colours;
    for (std::uint32_t clr : palette.channelColours) {
        colours.push_back(COffscreenBitmap::RgbFromColorRef(clr));
    }
    return colours;
}

TEST(KeyboardPalette, ColourBlindSafeColoursStayApartForEveryDichromacy) {
    const SKeyboardPalette& safe = SKeyboardPalette::Of(SKeyboardPalette::EKind::ColourBlindSafe);
    const SKeyboardPalette& classic = SKeyboardPalette::Of(SKeyboardPalette::EKind::Classic);
    const std::vector<QRgb> tiles{safe.clrWhite, safe.clrGrey, safe.clrKeynote};
    for (const auto& eye : kDichromacies) {
        EXPECT_GE(Closest(Channels(safe), eye.m), kMinDistance) << eye.pszName << ": channels";
        EXPECT_GE(Closest(tiles, eye.m), kMinDistance) << eye.pszName << ": tiles";
    }
    // The measure tells the classic channels apart only with all three kinds of cones.
    const Matrix identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EXPECT_GE(Closest(Channels(classic), identity), kMinDistance);
    EXPECT_LT(Closest(Channels(classic), kDichromacies[0].m), kMinDistance);
    EXPECT_LT(Closest(Channels(classic), kDichromacies[1].m), kMinDistance);
}

} // namespace
