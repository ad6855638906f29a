# Runs first in `cmake --install`, before anything is written.
#
# Refuses when a file to install is not built yet: `merkolo` alone (as
# scripts/run builds it) leaves out the icons and the documents, and an
# install that stopped at the first missing one would leave half of itself
# in the prefix.
#
# Then notes which destination folders do not exist yet, so that
# scripts/uninstall removes those and no folder that was there before. The
# note is kept per DESTDIR and prefix (install_record/<key>.folders in the
# build folder), so that CPack's staging install does not overwrite the note
# of an install into the system. Folders noted by an earlier install into the
# same place stay noted.
#
# Set before: MERKOLO_BUILT (files that must exist), MERKOLO_FOLDERS (folders
# relative to the prefix), MERKOLO_RECORD_DIR. The binary goes in stripped.

foreach(file IN LISTS MERKOLO_BUILT)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not built: ${file}\n"
      "Nothing was installed. Build everything first: cmake --build ${CMAKE_BINARY_DIR}")
  endif()
endforeach()

set(CMAKE_INSTALL_DO_STRIP TRUE)

string(REGEX REPLACE "/+$" "" merkolo_destdir "$ENV{DESTDIR}")
string(REGEX REPLACE "/+$" "" merkolo_prefix "${CMAKE_INSTALL_PREFIX}")
string(MD5 merkolo_key "${merkolo_destdir}|${merkolo_prefix}")
set(MERKOLO_RECORD "${MERKOLO_RECORD_DIR}/${merkolo_key}")

set(merkolo_created)
if(EXISTS "${MERKOLO_RECORD}.folders")
  file(STRINGS "${MERKOLO_RECORD}.folders" merkolo_noted)
  foreach(folder IN LISTS merkolo_noted)
    if(IS_DIRECTORY "${merkolo_destdir}${folder}")
      list(APPEND merkolo_created "${folder}")
    endif()
  endforeach()
endif()
foreach(relative IN LISTS MERKOLO_FOLDERS)
  # The folder and each folder above it (the prefix too, when it is new).
  set(folder "${merkolo_prefix}/${relative}")
  while(NOT folder STREQUAL "" AND NOT folder STREQUAL "/")
    if(NOT EXISTS "${merkolo_destdir}${folder}")
      list(APPEND merkolo_created "${folder}")
    endif()
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES merkolo_created)
list(JOIN merkolo_created "\n" merkolo_lines)
file(MAKE_DIRECTORY "${MERKOLO_RECORD_DIR}")
file(WRITE "${MERKOLO_RECORD}.folders" "${merkolo_lines}\n")
