#pragma once
// Turns a synthetic star field into an image record with a plausible header.

#include "tools/samplegen/star_field.h"

class CImage;

// The bundled sample's header: camera row 6, a 30 s exposure through an
// 8-inch telescope, saved as a compressed native file.
void SetSampleHeader(CImage& image);
// Copies the field's size and pixels into the record.
void StarFieldToImage(const StarField& field, CImage& image);
