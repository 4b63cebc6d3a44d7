#pragma once
// The per-user settings store of the desktop program: one QSettings store
// for company "KESL" and program "Quorvane", a section being a group.
// Reads give the caller's default for an absent or unreadable value.

#include <QString>

namespace Profile {

inline constexpr const char* kCompany = "KESL";
inline constexpr const char* kProgram = "Quorvane";

int GetInt(const QString& section, const QString& key, int fallback);
void WriteInt(const QString& section, const QString& key, int value);
QString GetString(const QString& section, const QString& key, const QString& fallback = {});
void WriteString(const QString& section, const QString& key, const QString& value);
// Drops a key, so that the next read gives the default again.
void Remove(const QString& section, const QString& key);

// Makes the store live in folder (tests use a temporary one) and forgets
// any values cached from the previous folder.
void UseFolder(const QString& folder);

}  // namespace Profile
