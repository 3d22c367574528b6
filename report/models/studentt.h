// Student's t distribution, for the two-sided intervals of fitted
// parameters: its distribution function and quantiles, from the regularised
// incomplete beta function. Accurate to about 1e-12 relative.
#pragma once

// The regularised incomplete beta function I_x(a, b) for 0 <= x <= 1 and
// a, b > 0, from its continued fraction; NaN outside that domain.
double incompleteBeta(double x, double a, double b);

// P(T <= t) for T with `degrees` (> 0) degrees of freedom.
double studentCdf(double t, double degrees);

// The t with P(T <= t) = p, for 0 < p < 1 and `degrees` > 0; NaN otherwise.
// studentQuantile(0.975, n - p) is the factor of a two-sided 95 % interval.
double studentQuantile(double p, double degrees);
