#include <gtest/gtest.h>

#include "image/image.h"
#include "image/texts.h"
#include "platform/archive.h"

// The bundled sample is what a new user reads first: its exposure state and
// its modification history decode to names, never to "???" or "Previous???".
TEST(BundledSample, HeaderDecodesToNames) {
    CImage image;
    CArchive archive(QV_SAMPLE_PATH, CArchive::load);
    image.Serialize(archive);
    std::string state;
    image.ExposureStateText(state);
    EXPECT_EQ(state, "ABG-Low Rate  DCS-Yes  DCR-No  ABL-Yes");
    EXPECT_EQ(ModificationsListText(image.History), "--- None ---");
    // The first change makes a history of that change alone.
    image.AddHistory(40);
    EXPECT_EQ(ModificationsListText(image.History), "Deconvolve   ");
}
