#include "graphics/GraphicMath.h"

#include <cmath>

double PointDistance(int x1, int y1, int x2, int y2) {
    double dx = static_cast<double>(x1) - x2, dy = static_cast<double>(y1) - y2;
    return std::sqrt(dx * dx + dy * dy);
}

int PointAngle(TPoint p1, TPoint p2) {
    int dx = p2.X - p1.X, dy = p2.Y - p1.Y;
    if (dx == 0)
        return dy > 0 ? 180 : 0;
    double bearing = std::atan2(static_cast<double>(dx), static_cast<double>(dy)) * 180.0 / M_PI;
    return 180 - static_cast<int>(std::trunc(bearing + 0.5));
}

int NormalizeAngle(int angle) {
    int r = angle % 360;
    if (r < 0)
        r = (r + 360) % 360;
    return r;
}

namespace {

// 80-bit extended arithmetic, the angle formed as i·π before the division by 180.
struct TTrigTables {
    TTrigTable Sin{}, Cos{};
    TTrigTables() {
        const long double pi = 3.14159265358979323846264338327950288L;
        for (int i = 0; i < 360; ++i) {
            long double angle = static_cast<long double>(i) * pi / 180.0L;
            Sin[i] = static_cast<int32_t>(sinl(angle) * 256.0L);
            Cos[i] = static_cast<int32_t>(cosl(angle) * 256.0L);
        }
    }
};

const TTrigTables& Tables() {
    static const TTrigTables tables;
    return tables;
}

}  // namespace

const TTrigTable& SinTable() { return Tables().Sin; }
const TTrigTable& CosTable() { return Tables().Cos; }
