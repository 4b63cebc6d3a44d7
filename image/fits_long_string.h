#pragma once
// Texts longer than one card can hold, written and read with the FITS
// long-string convention: the value is split over the keyword's card and
// CONTINUE cards, every piece but the last ending in "&".

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Appends key's card (key is the 10-character "NAME    = "), and CONTINUE
// cards when the value does not fit one card.
void AppendLongStringCards(std::string& cards, const char* key, std::string_view value);

// The whole value of keyword (e.g. "NOTE") when its card in the records goes
// on in CONTINUE cards; nothing when it does not.
std::optional<std::string> ContinuedString(const std::vector<char>& records, std::string_view keyword);
