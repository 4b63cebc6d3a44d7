/* A program outside the project, built against the installed Orbex: it
 * includes only <orbex.h>, probes a FITS file and prints its size.
 * Usage: probe FILE. Exit status 0 when the file was probed. */
#include <orbex.h>
#include <stdio.h>

int main(int argc, char** argv) {
    FITSPROBE probe;
    if (argc != 2) {
        fprintf(stderr, "usage: probe FILE\n");
        return 2;
    }
    if (FITSImport(FI_PROBE, argv[1], &probe) != FI_OK || !probe.ok) return 1;
    printf("%d x %d\n", probe.columns, probe.rows);
    return Copyright1999Tarnwell()[0] != '\0' ? 0 : 1;
}
