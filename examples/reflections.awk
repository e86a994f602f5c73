# The example reflections: a small data set of a monoclinic P2_1/c crystal.
#   kind=hkl: SHELX records (3I4,2F8.2), closed by a 0 0 0 record.
#   kind=abs: the same reflections as Cellex records (3I3,F10.4,F6.3,F10.5,I5),
#             F = sqrt(I) and sigma(F) = sigma(I)/(2F); a reflection measured
#             below zero gets F = 0 and sigma(F) = sqrt(sigma(I)). Closed by 0 0 0.
# Intensities come from a Park-Miller generator with a fixed seed (every
# product stays below 2^53, so any awk gives the same bytes).
function uniform() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
BEGIN {
  seed = 20240611
  for (h = -2; h <= 2; h++)
    for (k = 0; k <= 2; k++)
      for (l = 0; l <= 3; l++) {
        if (h == 0 && k == 0 && l == 0) continue
        if (k == 0 && l % 2 != 0) continue            # c glide: h0l with l odd absent
        if (h == 0 && l == 0 && k % 2 != 0) continue  # 2_1 screw: 0k0 with k odd absent
        n++
        i = 10 ^ (0.5 + 3.5 * uniform())
        s = 0.4 * sqrt(i) + 0.8 * uniform() + 0.3
        if (n == 3) { i = -2.5; s = 1.8 }  # a weak reflection measured below zero
        write(h, k, l, i, s, 1)
      }
  write(0, 0, 0, 0, 0, 0)
}
function write(h, k, l, i, s, batch,    f, sf) {
  if (kind == "hkl") { printf "%4d%4d%4d%8.2f%8.2f\n", h, k, l, i, s; return }
  f = i > 0 ? sqrt(i) : 0
  sf = i > 0 ? s / (2 * f) : sqrt(s)
  printf "%3d%3d%3d%10.4f%6.3f%10.5f%5d\n", h, k, l, f, sf, 0, batch
}
