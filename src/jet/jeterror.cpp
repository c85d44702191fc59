// SPDX-License-Identifier: GPL-3.0-or-later
// Names of the engine's error codes, for tools and messages.
#include "jet/jeterror.h"

namespace Qb::Jet {

const char *errorCodeName(ErrorCode code)
{
    switch (code) {
    case ErrorCode::NotJet: return "NotJet";
    case ErrorCode::Jet3: return "Jet3";
    case ErrorCode::Ace: return "Ace";
    case ErrorCode::Encrypted: return "Encrypted";
    case ErrorCode::Truncated: return "Truncated";
    case ErrorCode::Corrupt: return "Corrupt";
    case ErrorCode::IoError: return "IoError";
    case ErrorCode::WrongPassword: return "WrongPassword";
    case ErrorCode::Locked: return "Locked";
    case ErrorCode::Unsupported: return "Unsupported";
    case ErrorCode::SqlSyntax: return "SqlSyntax";
    case ErrorCode::NoSuchTable: return "NoSuchTable";
    case ErrorCode::NoSuchColumn: return "NoSuchColumn";
    case ErrorCode::TooLong: return "TooLong";
    case ErrorCode::TypeMismatch: return "TypeMismatch";
    case ErrorCode::ReadOnly: return "ReadOnly";
    case ErrorCode::Full: return "Full";
    case ErrorCode::Cancelled: return "Cancelled";
    }
    return "Unknown";
}

} // namespace Qb::Jet
