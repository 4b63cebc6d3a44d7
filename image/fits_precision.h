#pragma once
// Whether a 16-bit FITS import kept the file's values exactly. The record
// holds whole numbers from 0 to 65535; a file whose values are scaled
// (BSCALE other than 1, a fractional BZERO) or reach outside that range
// loses something on the way, and a save over the file would make the loss
// permanent.

#include <cstdint>
#include <string>
#include <vector>

// The file's value scaling: value = zero + scale x stored.
struct FitsScaling {
    double zero = 0.0;
    double scale = 1.0;
};

// BZERO and BSCALE from the file's header records (FITS defaults 0 and 1).
FitsScaling ReadFitsScaling(const std::vector<char>& records);

// Why the imported pixels differ from the file's values, or empty when
// every value was kept. The pixels are those the import produced from
// 16-bit stored values with this scaling.
std::string DescribeRounding(const FitsScaling& scaling, const std::vector<uint16_t>& pixels);
