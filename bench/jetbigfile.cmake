# SPDX-License-Identifier: GPL-3.0-or-later
# A library past 128 MB (default 270,000 rows, about 520 MB) written by the engine and read back
# by every reader; long, so not part of "make bench": cmake --build build --target bench-jet-bigfile
add_custom_target(bench-jet-bigfile
                  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/jet_bigfile.sh $<TARGET_FILE:qb-jet-export-gen>
                          $<TARGET_FILE:quillbox-mdb> ${PROJECT_BINARY_DIR}/bench/jet-bigfile
                  DEPENDS qb-jet-export-gen quillbox-mdb USES_TERMINAL)
