// FITS images of values wider than 16 bits open by an explicit, recorded,
// linear conversion; the library's 16-bit import keeps refusing them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fits_test_files.h"
#include "image/fits_reader.h"
#include "image/image.h"
#include "image/wide_fits.h"
#include "platform/archive.h"

using namespace fitstest;

namespace {

std::string Script(const std::string& name) { return std::string(QV_FITSIMPORT_SCRIPTS) + "/" + name; }

std::vector<double> ReadDoubles(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<double> values(bytes.size() / sizeof(double));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(double));
    return values;
}

void Save(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::store);
    image.Serialize(ar);
    ar.Commit();
}

void Load(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::load);
    image.Serialize(ar);
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double n = double(a.size()), sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sa += a[i], sb += b[i], saa += a[i] * a[i], sbb += b[i] * b[i], sab += a[i] * b[i];
    }
    return (n * sab - sa * sb) / std::sqrt((n * saa - sa * sa) * (n * sbb - sb * sb));
}

// The number after "KEY     =" among the kept cards.
double KeptNumber(const CImage& image, const char* key) {
    std::string text(image.fitsRecords.data());
    size_t at = text.find(key);
    return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + 10, nullptr);
}

class WideFits : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RunPython(Script("make_wide_files.py"), {folder.Path("")}), 0); }
    std::string File(const std::string& name) const { return folder.Path(name); }
    TempFolder folder;
};

}  // namespace

// The 16-bit requests refuse the file as before; the wide header describes it.
TEST_F(WideFits, LibraryRefusesSixteenBitImportButDescribesWideFile) {
    FITSPROBE probe{};
    EXPECT_EQ(FITSImport(FI_PROBE, File("stacked.fits").c_str(), &probe), FI_FAILED);
    FITSIMAGEINFO info{};
    EXPECT_EQ(FITSImport(FI_HEADER, File("stacked.fits").c_str(), &info), FI_FAILED);
    for (auto [name, bitpix] : {std::pair{"stacked.fits", -32}, {"int32.fits", 32}, {"float64.fits", -64}}) {
        std::optional<WideFitsFile> wide = ProbeWideFits(File(name), &FITSImport);
        ASSERT_TRUE(wide) << name;
        EXPECT_EQ(wide->bitpix, bitpix);
        EXPECT_EQ(wide->width, 150);
        EXPECT_EQ(wide->height, 120);
    }
    // A 16-bit file is not a wide one.
    std::string plain = File("plain.fits");
    WriteFits16(plain, ImageCards(16, 2, 1), {1, 2});
    EXPECT_FALSE(ProbeWideFits(plain, &FITSImport));
}

// A stacked float frame (NaN, infinities, negatives, a hot pixel): the
// automatic mapping is monotone and linear, undefined values become 0 and are
// counted, the fields come from the file, and the original stays as it was.
TEST_F(WideFits, StackedFloatFrameConvertsLinearly) {
    const std::vector<uint8_t> before = ReadBytes(File("stacked.fits"));
    const std::vector<double> values = ReadDoubles(File("stacked.raw"));
    CImage image;
    WideMapping mapping;
    ASSERT_EQ(ImportWideFits(image, File("stacked.fits"), WideScale{}, &FITSImport, mapping), FitsImportOutcome::ok);
    ASSERT_EQ(image.pixels.size(), values.size());
    EXPECT_EQ(image.fileType, kFileFits);
    EXPECT_EQ(image.Exposure, 180000);
    EXPECT_DOUBLE_EQ(image.X_pixel_size, 0.00376);
    EXPECT_EQ(image.Sat_level, 65535u);
    EXPECT_EQ(mapping.undefined, 2 * 150 + 2);
    EXPECT_LT(mapping.low, 0.0);            // the negative sky is inside the range
    EXPECT_LT(mapping.high, 1.0e7);         // the hot pixel is beyond 99.99 %

    std::vector<double> inRange, mapped;
    std::vector<std::pair<double, uint16_t>> finite;
    for (size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) {
            EXPECT_EQ(image.pixels[i], 0) << i;
            continue;
        }
        finite.push_back({values[i], image.pixels[i]});
        if (values[i] >= mapping.low && values[i] <= mapping.high) {
            inRange.push_back(values[i]);
            mapped.push_back(image.pixels[i]);
        }
    }
    EXPECT_GT(inRange.size(), finite.size() * 99 / 100);
    EXPECT_GE(Correlation(inRange, mapped), 0.9999);
    std::sort(finite.begin(), finite.end());
    for (size_t i = 1; i < finite.size(); ++i) ASSERT_LE(finite[i - 1].second, finite[i].second) << "not monotone";
    EXPECT_EQ(finite.front().second, 0);
    EXPECT_EQ(finite.back().second, 65535);

    // Saved under another name: the mapping travels in the cards and maps back.
    std::string saved = File("stacked-16bit.fits");
    Save(image, saved);
    EXPECT_EQ(ReadBytes(File("stacked.fits")), before);
    CImage again;
    Load(again, saved);
    EXPECT_EQ(again.pixels, image.pixels);
    const double zero = KeptNumber(again, "QVZERO  =");
    const double scale = KeptNumber(again, "QVSCALE =");
    EXPECT_NEAR(zero, mapping.low, std::fabs(mapping.low) * 1e-9);
    EXPECT_NEAR(scale, (mapping.high - mapping.low) / 65535.0, scale * 1e-9);
    std::string text(again.fitsRecords.data());
    EXPECT_NE(text.find("HISTORY Quorvane: 32-bit floating-point values mapped linearly to 16 bits"), std::string::npos);
    EXPECT_NE(text.find("302 undefined values"), std::string::npos);
    EXPECT_EQ(text.find("DATAMAX"), std::string::npos);
    EXPECT_EQ(RunCommand("fitsverify -q " + Quote(saved)), 0);
}

// The user's range maps exactly: MIN to 0, MAX to 65535, values beyond clipped;
// 32-bit integers with BLANK and 64-bit reals with BZERO/BSCALE alike.
TEST_F(WideFits, UsersRangeOnIntegerAndDoubleFiles) {
    const std::vector<double> ints = ReadDoubles(File("int32.raw"));
    CImage image;
    WideMapping mapping;
    ASSERT_EQ(ImportWideFits(image, File("int32.fits"), WideScale{false, -200000.0, 400000.0}, &FITSImport, mapping),
              FitsImportOutcome::ok);
    EXPECT_EQ(mapping.undefined, 1);
    for (size_t i = 0; i < ints.size(); ++i) {
        if (std::isnan(ints[i])) {
            EXPECT_EQ(image.pixels[i], 0);
            continue;
        }
        const double expected = std::clamp((ints[i] + 200000.0) / 600000.0 * 65535.0, 0.0, 65535.0);
        ASSERT_NEAR(image.pixels[i], expected, 0.5 + 1e-6) << i;
    }
    EXPECT_EQ(std::string(image.fitsRecords.data()).find("BLANK   ="), std::string::npos);

    const std::vector<double> doubles = ReadDoubles(File("float64.raw"));
    CImage wide;
    ASSERT_EQ(ImportWideFits(wide, File("float64.fits"), WideScale{false, 98.0, 102.0}, &FITSImport, mapping),
              FitsImportOutcome::ok);
    EXPECT_EQ(mapping.undefined, 0);
    EXPECT_EQ(wide.pixels.front(), 0);
    EXPECT_EQ(wide.pixels.back(), 65535);
    // The values travel as floats: a few hundredths of a step on this range.
    for (size_t i = 0; i < doubles.size(); ++i)
        ASSERT_NEAR(wide.pixels[i], (doubles[i] - 98.0) / 4.0 * 65535.0, 0.6) << i;
}

// The scale option's forms.
TEST(WideScaleText, AutoOrOrderedPair) {
    EXPECT_TRUE(ParseWideScale("auto")->automatic);
    std::optional<WideScale> range = ParseWideScale("-5.5,1e4");
    ASSERT_TRUE(range);
    EXPECT_FALSE(range->automatic);
    EXPECT_DOUBLE_EQ(range->minimum, -5.5);
    EXPECT_DOUBLE_EQ(range->maximum, 10000.0);
    for (const char* bad : {"", "5", "5,5", "7,2", "1,x", "nan,3", "1,inf", "1, 2", "Auto"})
        EXPECT_FALSE(ParseWideScale(bad)) << bad;
}

// Headless: convert needs --scale for such a file and never writes over its
// input; deconvolve takes the same option and its result is a FITS image.
TEST_F(WideFits, CommandLineConvertsAndDeconvolves) {
    const std::string cli = Quote(QV_CLI);
    const std::string in = Quote(File("stacked.fits"));
    const std::vector<uint8_t> before = ReadBytes(File("stacked.fits"));
    EXPECT_EQ(RunCommand(cli + " convert " + in + " " + Quote(File("a.fits")) + " 2>/dev/null"), 1);
    EXPECT_EQ(RunCommand(cli + " convert " + in + " " + in + " --scale auto 2>/dev/null"), 1);
    EXPECT_EQ(RunCommand(cli + " convert " + in + " " + Quote(File("a.fits")) + " --scale 3,1 2>/dev/null"), 2);
    ASSERT_EQ(RunCommand(cli + " convert " + in + " " + Quote(File("a.fits")) + " --scale -20,60000 2>/dev/null"), 0);
    CImage converted;
    Load(converted, File("a.fits"));
    EXPECT_NEAR(KeptNumber(converted, "QVZERO  ="), -20.0, 1e-9);

    ASSERT_EQ(RunCommand(cli + " deconvolve " + in + " " + Quote(File("d.fits")) +
                         " --star 40,30 --iterations 1 --scale auto --quiet 2>/dev/null"),
              0);
    CImage result;
    Load(result, File("d.fits"));
    EXPECT_EQ(result.fileType, kFileFits);
    EXPECT_EQ(result.Width, 150);
    EXPECT_EQ(result.History.back(), char(64 + kHistoryDeconvolve));
    EXPECT_EQ(ReadBytes(File("stacked.fits")), before);
}
