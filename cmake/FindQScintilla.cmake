# SPDX-License-Identifier: GPL-3.0-or-later
# QScintilla for Qt 6 ships neither a CMake config nor a pkg-config file on Debian.
find_path(QSCINTILLA_INCLUDE_DIR Qsci/qsciscintillabase.h
          PATHS ${Qt6Core_INCLUDE_DIRS} PATH_SUFFIXES .. ../.. REQUIRED)
find_library(QSCINTILLA_LIBRARY NAMES qscintilla2_qt6 REQUIRED)
add_library(QScintilla::QScintilla UNKNOWN IMPORTED)
set_target_properties(QScintilla::QScintilla PROPERTIES
    IMPORTED_LOCATION "${QSCINTILLA_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${QSCINTILLA_INCLUDE_DIR}"
    INTERFACE_COMPILE_DEFINITIONS QSCINTILLA_DLL
    INTERFACE_LINK_LIBRARIES Qt6::Widgets)
