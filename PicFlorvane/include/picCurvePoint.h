#pragma once

// A point of a light filter's transmission curve, in per cent of the curve's plot box: x from its
// left edge, y from its bottom edge. The axis value ranges turn it into a wavelength and a
// transmission.
struct picCurvePoint {
    double x = 0;
    double y = 0;
};

// The value ranges of a curve's axes: x in nanometres, y in per cent of transmission.
struct picCurveRange {
    double xmin = 0;
    double xmax = 100;
    double ymin = 0;
    double ymax = 100;
};
