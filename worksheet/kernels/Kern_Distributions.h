// Distribution kernels: one per probability law, all of one form, so that
// the worksheet functions call them directly and the root finder inverts
// them. A kernel answers a status (0, or a worksheet error code: kErrNum,
// or what the gamma-family kernels pass on) and its value through out.
// A cumulative flag of 0 asks for the probability (discrete laws) or the
// density (continuous laws) at x, any other value for the distribution
// function. The discrete laws truncate their integer parameters and x
// toward zero; all but the binomial take trunc(|x|).
#pragma once

#include <cstdint>

// The parameters of a law, read as each kernel says; the code is its
// writers' business and no kernel reads it.
struct DistParams {
  int32_t code;
  double p1, p2, p3, p4;
};

using DistKernel = uint32_t (*)(const DistParams* params, double x, double* out);

// The most terms a cumulative sum of a discrete law adds: past them it is
// #NUM! (beyond 2^53 terms, i + 1 would even equal i).
constexpr double kDiscreteMaxTerms = 1e6;
// True when the terms after t, which follows previous, add less than a
// rounding of sum. The discrete laws are log-concave, so once a term is
// smaller than the one before, each next one shrinks by at least the ratio
// q = t / previous and the rest is below t q / (1 - q).
bool Kern_restIsNegligible(double t, double previous, double sum);

// Beta on [p3, p4] with shapes p1, p2: the distribution function.
uint32_t Kern_cdfBeta(const DistParams* params, double x, double* out);
// Binomial: success probability p1, trials p2, cumulative flag p3.
uint32_t Kern_cdfBinomial(const DistParams* params, double x, double* out);
// Chi-square with p1 degrees of freedom: the upper tail.
uint32_t Kern_cdfChiSquare(const DistParams* params, double x, double* out);
// F with p1 and p2 degrees of freedom: the upper tail.
uint32_t Kern_cdfF(const DistParams* params, double x, double* out);
// Gamma: shape p1, scale p2, cumulative flag p3.
uint32_t Kern_cdfGamma(const DistParams* params, double x, double* out);
// Hypergeometric: sample size p1, successes in the population p2,
// population size p3, cumulative flag p4; impossible terms count 0.
uint32_t Kern_cdfHypergeometric(const DistParams* params, double x, double* out);
// Inverse Gaussian: mean p1, shape p2, cumulative flag p3.
uint32_t Kern_cdfInverseGaussian(const DistParams* params, double x, double* out);
// Negative binomial: success probability p1, successes p2, cumulative flag p3.
uint32_t Kern_cdfNegBinomial(const DistParams* params, double x, double* out);
// Normal: mean p1, standard deviation p2, cumulative flag p3.
uint32_t Kern_normalDist(const DistParams* params, double x, double* out);
// The standard normal distribution function (the record is not read).
uint32_t Kern_cdfStdNormal(const DistParams* params, double x, double* out);
// Poisson: mean p1, cumulative flag p2.
uint32_t Kern_cdfPoisson(const DistParams* params, double x, double* out);
// Student t with p1 degrees of freedom (at least 1): the distribution function.
uint32_t Kern_cdfStudentT(const DistParams* params, double x, double* out);
// Student t with p1 degrees of freedom: the one-tailed (p2 = 1) or
// two-tailed probability beyond |x|.
uint32_t Kern_tDistTails(const DistParams* params, double x, double* out);
// The inverse of the standard normal distribution function, for 0 < p < 1
// (kErrNum otherwise), finite in the tails down to the smallest normal p.
uint32_t Kern_invStdNormal(double p, double* out);
