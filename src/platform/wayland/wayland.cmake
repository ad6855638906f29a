# The clipboard through Wayland data control, part of merkolo_platform
# (included from its folder). The protocols' descriptions live in
# wayland/protocols/; wayland-scanner makes their C glue at build time.
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

set(generated ${CMAKE_CURRENT_BINARY_DIR}/wayland)
foreach(protocol wlr-data-control-unstable-v1 ext-data-control-v1)
  set(xml ${CMAKE_CURRENT_SOURCE_DIR}/wayland/protocols/${protocol}.xml)
  add_custom_command(OUTPUT ${generated}/${protocol}-client-protocol.h ${generated}/${protocol}-protocol.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${generated}/${protocol}-client-protocol.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${generated}/${protocol}-protocol.c
    DEPENDS ${xml}
    VERBATIM)
  target_sources(merkolo_platform PRIVATE ${generated}/${protocol}-client-protocol.h ${generated}/${protocol}-protocol.c)
endforeach()

target_sources(merkolo_platform PRIVATE
  wayland/datacontrol.h wayland/datacontrol.cpp
  wayland/datacontrolreader.h wayland/datacontrolreader.cpp
  wayland/waylandclipboard.h wayland/waylandclipboard.cpp
)
target_include_directories(merkolo_platform PRIVATE ${generated})
target_link_libraries(merkolo_platform PRIVATE PkgConfig::WAYLAND_CLIENT)
