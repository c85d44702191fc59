// SPDX-License-Identifier: GPL-3.0-or-later
// Error values of the Jet engine. Nothing in jet/ throws across its boundary: every operation
// that can fail returns Result<T>, whose error carries a code and a message naming the page and
// offset where that helps.
#pragma once

#include <expected>
#include <string>

namespace Qb::Jet {

enum class ErrorCode {
    NotJet,        // not a Jet database at all (wrong magic or engine string)
    Jet3,          // a Jet 3 (Access 97) file: not supported
    Ace,           // an ACE/accdb file: not supported
    Encrypted,     // page encryption (RC4) is in use
    Truncated,     // shorter than its header or a page says
    Corrupt,       // a structure is inconsistent (bad offsets, loops, counts)
    IoError,       // the operating system failed a read, write, sync or rename
    WrongPassword, // the database password does not match
    Locked,        // another process holds the file for writing
    Unsupported,   // a valid feature this engine does not handle (e.g. an index sort order)
    SqlSyntax,     // a statement outside the supported subset
    NoSuchTable,
    NoSuchColumn,
    TooLong,       // a value longer than its column holds
    TypeMismatch,  // a literal that does not fit the column's type
    ReadOnly,      // a write on a database opened read-only
    Full,          // the file would grow past the format's 2 GB
    Cancelled,     // the caller asked a long operation to stop; nothing was changed
};

struct Error
{
    ErrorCode code;
    std::string message;
};

template<typename T>
using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(ErrorCode code, std::string message)
{
    return std::unexpected<Error>(Error{code, std::move(message)});
}

// A short English name of the code, e.g. "Corrupt", for tools and logs.
const char *errorCodeName(ErrorCode code);

} // namespace Qb::Jet
