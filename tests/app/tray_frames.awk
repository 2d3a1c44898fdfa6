# Reads samples of the tray icon, "milliseconds picture-hash" a line, and checks the
# on-air animation: four distinct pictures, always following one another in the
# same order, each shown about 500 ms, a whole cycle in about 2 s. Prints what it
# measured; exits 1 when the animation is not that.
# With -v first=<hash> it prints instead the four pictures in their order from that one.
$2 != last { runs++; hash[runs] = $2; start[runs] = $1; last = $2 }
NR > 1 { gaps += $1 - previous }
{ previous = $1 }
END {
    for (i = 1; i <= runs; i++)
        if (!(hash[i] in seen)) { seen[hash[i]] = 1; distinct++ }
    for (i = 1; i < runs; i++) {
        if ((hash[i] in after) && after[hash[i]] != hash[i + 1]) { print "the frames change their order"; exit 1 }
        after[hash[i]] = hash[i + 1]
    }
    if (first != "") {
        for (k = 0; k < 4; k++) { printf "%s%s", (k ? " " : ""), first; first = after[first] }
        print ""
        exit 0
    }
    if (distinct != 4) { printf "%d distinct pictures, not 4\n", distinct; exit 1 }
    # The first and the last run are cut short by the sampling.
    shortest = 1e9
    for (i = 2; i < runs - 1; i++) {
        d = start[i + 1] - start[i]
        if (d < shortest) shortest = d
        if (d > longest) longest = d
    }
    for (i = 2; i + 4 <= runs; i++) {
        if (hash[i + 4] != hash[i]) { print "the pictures do not come back every fourth change"; exit 1 }
        cycles += start[i + 4] - start[i]; counted++
    }
    if (counted == 0) { print "too few changes seen"; exit 1 }
    cycle = cycles / counted
    printf "4 distinct frames, each shown %d..%d ms, a cycle of %d ms (a sample every %d ms)\n",
        shortest, longest, cycle, gaps / (NR - 1)
    if (cycle < 1700 || cycle > 2300 || shortest < 150 || longest > 850) exit 1
}
