// Window-system services the features call (global hotkeys, key watching, window queries).
// One implementation per platform folder (x11/, null/); CMake links exactly one of them.
#pragma once

#include <QString>

#include <memory>

namespace Qb::Platform {

class NativePlatform
{
public:
    virtual ~NativePlatform() = default;
    // "x11" when the system-wide services work, "null" when they are no-ops.
    virtual QString name() const = 0;
};

// REQUIRES: a QGuiApplication exists.
std::unique_ptr<NativePlatform> createNativePlatform();

} // namespace Qb::Platform
