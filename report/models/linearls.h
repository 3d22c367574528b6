// Linear least squares for the curve fits: the x that minimises
// |A x - b| for a small dense A with more rows than columns, by Householder
// QR on columns scaled to unit length (so that units of very different size,
// such as a throughput's and a coefficient's, cost no precision), with
// (AᵀA)⁻¹ for the standard errors.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// A matrix given column by column, every column of the same length.
using Columns = std::vector<std::vector<double>>;

struct LinearSolution {
    std::vector<double> x;
    // |A x|, the length of b's projection onto the columns' span: how far
    // the solution moves A's image.
    double projectedNorm = 0;
    // (AᵀA)⁻¹, row by row.
    std::vector<std::vector<double>> inverseGram;
};

// None when A has no column, fewer rows than columns, a value that is not
// finite, or columns that are (numerically) linearly dependent: a scaled
// pivot below 1e-12 of the largest.
std::optional<LinearSolution> solveLeastSquares(const Columns& a, const std::vector<double>& b);
