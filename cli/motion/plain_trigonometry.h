// Sine, cosine and their inverses from additions, multiplications,
// divisions and square roots alone. The C library picks its own versions
// of these by processor (some with fused multiply-adds), which may differ
// in the last bit; the movements must be the same bits everywhere.
#ifndef QUORVEL_CLI_MOTION_PLAIN_TRIGONOMETRY_H_
#define QUORVEL_CLI_MOTION_PLAIN_TRIGONOMETRY_H_

namespace quorvel::cli {

// sin(x) and cos(x) for |x| up to about 1e6, within a few units in the
// last place.
double plainSin(double x);
double plainCos(double x);
// atan2(y, x) in [-pi, pi], and asin(x) for x in [-1, 1].
double plainAtan2(double y, double x);
double plainAsin(double x);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_PLAIN_TRIGONOMETRY_H_
