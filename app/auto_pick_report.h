#pragma once
// The status-bar line after "Pick Stars for Me": how many stars were
// picked and, grouped by reason, why the other candidates were turned down.

#include <QString>
#include <string>

#include "decon/star_pick.h"

// The short reason of one rejection line ("PSF candidate at X, Y rejected:
// the star is saturated; its flat top ..." gives "saturated").
QString RejectionLabel(const std::string& reason);

// added: the picks just made; total: the picks the image has now.
QString AutoPickReport(int added, int total, const AutoStars& found);
