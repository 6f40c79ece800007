#pragma once
// Recognising a Microsoft Access database by its first page, so that a file
// K7 would open as an SQLite database is caught before the engine refuses it.

#include <QString>

namespace k7 {

enum class AccessFormat { None, Jet3, Jet4, Ace };

// The format named in the file's header; None for any other file, a file
// too short to hold a header, or one that cannot be read.
AccessFormat DetectAccessFormat(const QString& path);

enum class AccessPassword {
    None,           // no password (also ACE files, encrypted instead, and any other file)
    Set,            // the header holds a database password
    DamagedHeader,  // the password field holds what no password can be
};

// Whether a Jet 3 or Jet 4 file is protected by a database password.
AccessPassword DatabasePassword(const QString& path);

// "Jet 3, Access 97", "Jet 4, Access 2000-2003" or "ACE, Access 2007 or later".
QString AccessFormatName(AccessFormat format);

}  // namespace k7
