#pragma once
// Keeps the world coordinates of a FITS image's kept header records true
// when the image is mirrored, so that every pixel keeps its sky position in
// WCS-aware tools.

#include <vector>

// Mirrors pixel axis `axis` (1 = columns, 2 = rows) of `length` pixels in
// the records (80-character cards, then one terminating zero):
// CRPIXn becomes length + 1 - CRPIXn and the matrix column of the axis changes
// sign: CDi_n when a CD matrix is present, else PCi_n (a missing PCn_n, which
// means 1, is added as -1), else CDELTn (CROTAn then stays as it is).
// Records without CRPIXn are left alone.
void FlipWcsRecords(std::vector<char>& records, int axis, int length);
