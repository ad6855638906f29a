# Runs last in `cmake --install`: notes the files written, for
# scripts/uninstall, beside the folders noted in begin.cmake.
list(JOIN CMAKE_INSTALL_MANIFEST_FILES "\n" merkolo_lines)
file(WRITE "${MERKOLO_RECORD}.files" "${merkolo_lines}\n")
