// What a FITS save carries from the original: every record (bytes a header
// may not hold replaced, never the rest dropped), further HDUs byte for byte,
// and world coordinates that follow the pixels through a flip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fits_test_files.h"
#include "image/image.h"
#include "platform/archive.h"

using namespace fitstest;

namespace {

std::string Script(const std::string& name) { return std::string(QV_FITSIMPORT_SCRIPTS) + "/" + name; }

void Load(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::load);
    image.Serialize(ar);
}

void Save(CImage& image, const std::string& path) {
    CArchive ar(path, CArchive::store);
    image.Serialize(ar);
    ar.Commit();
}

bool HasCard(const std::vector<std::string>& cards, const std::string& card) {
    for (const std::string& c : cards)
        if (c == Card(card)) return true;
    return false;
}

}  // namespace

// Mirrored both ways and saved, files with a CD matrix, a PC matrix, CDELT with
// CROTA2, and a table extension keep every pixel's sky position and the table.
TEST(FitsKept, FlipsKeepSkyPositionsAndExtensionsSurvive) {
    TempFolder folder;
    ASSERT_EQ(RunPython(Script("make_wcs_files.py"), {folder.Path("")}), 0);
    for (const char* name : {"cd", "pc", "crota", "with_table"}) {
        const std::string original = folder.Path(std::string(name) + ".fits");
        const std::string saved = folder.Path(std::string(name) + "_flipped.fits");
        CImage image;
        Load(image, original);
        image.FlipHorizontal();
        image.FlipVertical();
        Save(image, saved);
        EXPECT_EQ(RunCommand("fitsverify -q " + Quote(saved)), 0) << name;
        EXPECT_EQ(RunPython(Script("check_flipped_wcs.py"), {original, saved}), 0) << name;
    }
}

// A zero byte inside a card no longer drops that card's rest and every later
// record, and a byte from 128 up no longer cuts its card: control bytes become
// blanks, high bytes '?', and every record is written back in order.
TEST(FitsKept, UnusualHeaderBytesAreReplacedNotDropped) {
    TempFolder folder;
    std::vector<std::string> cards = ImageCards(16, 2, 2);
    cards.push_back(Card(std::string("OBJECT  = 'M42'  /") + '\0' + "padded by a zero"));
    cards.push_back(Card("OBSERVER= 'Andr\xC3\xA9s'"));
    cards.push_back(Card("TELESCOP= 'after the odd bytes'"));
    const std::string original = folder.Path("bytes.fits");
    WriteFits16(original, cards, {1, 2, 3, 4});
    CImage image;
    Load(image, original);
    const std::string saved = folder.Path("saved.fits");
    Save(image, saved);
    std::vector<std::string> written = HeaderCards(saved);
    EXPECT_TRUE(HasCard(written, "OBJECT  = 'M42'  / padded by a zero"));
    EXPECT_TRUE(HasCard(written, "OBSERVER= 'Andr??s'"));
    EXPECT_TRUE(HasCard(written, "TELESCOP= 'after the odd bytes'"));
    EXPECT_EQ(RunCommand("fitsverify -q " + Quote(saved)), 0);
}
