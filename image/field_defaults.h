#pragma once
// Record fields that may hold a stand-in value instead of one the file gave.
// A FITS import sets these bits for every field it had to fill with a default,
// so that the parameters texts can say so instead of showing the default as
// a fact. Native files set none.

#include <cstdint>

enum DefaultField : uint32_t {
    kDefaultDate = 1u << 0,           // Date and Time
    kDefaultExposure = 1u << 1,       // Exposure
    kDefaultExposures = 1u << 2,      // Number_exposures
    kDefaultPixelWidth = 1u << 3,     // X_pixel_size
    kDefaultPixelHeight = 1u << 4,    // Y_pixel_size
    kDefaultReadoutMode = 1u << 5,    // Readout_mode
    kDefaultExposureState = 1u << 6,  // Exposure_state
    kDefaultTemperature = 1u << 7,    // Temperature
    kDefaultResponse = 1u << 8,       // Response_factor
    kDefaultGain = 1u << 9,           // E_gain
    kDefaultFocalLength = 1u << 10,   // Focal_length
    kDefaultAperture = 1u << 11,      // Aperture
};

// The record field names of the bits, in bit order (for JSON output).
struct DefaultFieldName {
    DefaultField bit;
    const char* name;
};
inline constexpr DefaultFieldName kDefaultFieldNames[] = {
    {kDefaultDate, "Date"},
    {kDefaultExposure, "Exposure"},
    {kDefaultExposures, "Number_exposures"},
    {kDefaultPixelWidth, "X_pixel_size"},
    {kDefaultPixelHeight, "Y_pixel_size"},
    {kDefaultReadoutMode, "Readout_mode"},
    {kDefaultExposureState, "Exposure_state"},
    {kDefaultTemperature, "Temperature"},
    {kDefaultResponse, "Response_factor"},
    {kDefaultGain, "E_gain"},
    {kDefaultFocalLength, "Focal_length"},
    {kDefaultAperture, "Aperture"},
};
