# Reads samples of the tray icon, "milliseconds picture-hash" a line, and checks the
# on-air animation: four distinct pictures that always follow one another in the
# same order, a whole cycle in about 2 s. A busy machine may read the icon less
# often than every 500 ms; a frame may then go unseen, but only across a gap in the
# samples long enough to hide it. Prints what it measured; exits 1 when the
# animation is not that.
# With -v first=<hash> it prints instead the four pictures in their order from that one.

# A picture read while the icon was being repainted turns up once only and is left out.
{ time[NR] = $1; picture[NR] = $2; times[$2]++ }
NR > 1 { gap = $1 - time[NR - 1]; gaps += gap; if (gap > widest) widest = gap }
END {
    for (i = 1; i <= NR; i++) {
        if (times[picture[i]] < 2)
            continue
        if (runs && hash[runs] == picture[i]) { end[runs] = time[i]; continue }
        runs++; hash[runs] = picture[i]; start[runs] = end[runs] = time[i]
        if (!(picture[i] in seen)) { seen[picture[i]] = 1; distinct++ }
    }
    if (distinct != 4) { printf "%d distinct pictures, not 4\n", distinct; Runs(); exit 1 }
    # The order: each picture's most frequent successor.
    for (i = 1; i < runs; i++) pairs[hash[i], hash[i + 1]]++
    for (h in seen) for (g in seen) if (pairs[h, g] > best[h]) { best[h] = pairs[h, g]; after[h] = g }
    h = (first != "" ? first : hash[1])
    for (k = 0; k < 4; k++) { position[h] = k; order = order (k ? " " : "") h; h = after[h] }
    if (h != (first != "" ? first : hash[1]) || length(position) != 4) { print "no fixed order of four"; Runs(); exit 1 }
    if (first != "") { print order; exit 0 }
    for (i = 1; i < runs; i++) {
        step = (position[hash[i + 1]] - position[hash[i]] + 4) % 4
        if (step > 1 && start[i + 1] - end[i] < (step - 1) * 400) {
            printf "%s follows %s out of order\n", hash[i + 1], hash[i]; Runs(); exit 1
        }
        steps += step
    }
    if (steps < 8) { print "too few changes seen"; Runs(); exit 1 }
    cycle = 4 * (start[runs] - start[1]) / steps
    printf "4 distinct frames in a fixed order, a cycle of %d ms over %d changes (a sample every %d ms, at most %d)\n",
        cycle, steps, gaps / (NR - 1), widest
    if (cycle < 1800 || cycle > 2200) exit 1
}

# What was seen, for a failure's report: picture and when it appeared.
function Runs(   i) {
    for (i = 1; i <= runs; i++)
        printf "  %s at +%d ms\n", hash[i], start[i] - start[1]
}
