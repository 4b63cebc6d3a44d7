// Pictures of the crosshair and stellar-profile windows measuring a
// synthetic star, and of the two image sheets, for the documentation. Usage: dialogs_screenshots <folder>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

#include "app/dialogs/crosshair_dialog.h"
#include "app/dialogs/image_parameters_dialog.h"
#include "app/dialogs/modifications_dialog.h"
#include "app/dialogs/profile_dialog.h"
#include "dialog_fixtures.h"
#include "measure/crosshair.h"
#include "measure/profile.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialogs_screenshots <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    PrivateSettings settings;

    const auto image = StarImage(120, 90, 900, {{60.3, 44.6, 9000, 1.6}, {20, 70, 1500, 1.2}});
    const int32_t boxSize = 11;

    auto* crosshair = new CCrosshairDialog(nullptr, {});
    const CrosshairReadout readout = crosshair->UpdateAt(*image, 61, 45, boxSize);
    crosshair->show();

    image->Observer = "R. Vance";
    image->Note = "Synthetic star field";
    image->Readout_mode = 1;
    image->Exposure = 6000;
    image->Exposure_state = 356;
    image->Temperature = -20.5;
    image->History = "@LMh";
    CImageParametersDialog parameters(nullptr, *image, "stars.qvz");
    CModificationsDialog modifications(nullptr, "stars.qvz", image->History);
    parameters.show();
    modifications.show();

    auto* profile = new CProfileDialog(nullptr);
    profile->SetProfile(MeasureProfile(*image, readout.position.x - boxSize / 2,
                                       readout.position.y - boxSize / 2, boxSize));
    profile->show();
    QApplication::processEvents();

    bool ok = crosshair->grab().save(folder.filePath(QStringLiteral("crosshair-window.png")));
    ok = profile->grab().save(folder.filePath(QStringLiteral("profile-window.png"))) && ok;
    ok = parameters.grab().save(folder.filePath(QStringLiteral("image-parameters.png"))) && ok;
    ok = modifications.grab().save(folder.filePath(QStringLiteral("modifications.png"))) && ok;
    delete crosshair;
    delete profile;
    if (!ok) {
        std::fprintf(stderr, "could not write the pictures into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
